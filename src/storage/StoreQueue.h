#pragma once

#include "platform/foundation/Signal.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fen {

// The store's own thread: the window's writes run there one after another, in the order they
// were handed over, so a save that waits for another process's lock never holds up the GUI thread
// and a later delete never overtakes an earlier save.
//
// A preset save is handed over with its name, so Quit can tell which presets still wait for the
// store and wait for them, and so a quit without them names what is lost. The queue's work ends
// with finish(), before the application object goes: nothing of the store runs after it, and a
// save or a change left over is named, never dropped in silence.
class StoreQueue {
public:
    using Task = std::function<void()>;
    // A preset save; true when it was stored.
    using Save = std::function<bool()>;

    StoreQueue() = default;
    // Ends as finish() with no time to spare: what has not started is dropped.
    ~StoreQueue();
    StoreQueue(const StoreQueue&) = delete;
    StoreQueue& operator=(const StoreQueue&) = delete;

    // The window's queue.
    static StoreQueue& shared();

    // Runs `task` on the store's thread after everything handed over before it.
    void post(Task task);
    // Runs the save of the preset `name` there, likewise; while it waits or runs it is one of
    // waitingSaves().
    void postSave(std::string name, Save save);
    // Runs `change` of what is stored (`what`: "a change of the stamp texts", "a delete of a text
    // preset") there, likewise; true when it was stored. Quit does not wait for it, but one the
    // queue does not store once it is ending (left over, failed, or handed over too late) is named
    // on standard error, as its own notice can no longer be shown.
    void postChange(std::string what, Save change);

    // The names of the presets whose saves are queued or running, in the order handed over.
    std::vector<std::string> waitingSaves() const;
    // How many saves have reported that nothing was stored, since the queue was made.
    std::uint64_t failedSaves() const;
    // Told on the store's thread whenever a save has ended, stored or not, or was dropped.
    Signal<> savesChanged;

    // Waits until every task handed over so far has run; false when `timeout` passed first.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

    // Takes out the saves that have not started yet and returns their names (a running save goes
    // on). Other work stays queued.
    std::vector<std::string> dropWaitingSaves();

    // Ends the store's thread: queued work still runs while `bound` lasts, each write then trying
    // a busy store no longer than what is left of it; what has not started by then is dropped.
    // Returns once the thread has ended, with the names of the presets that were not stored
    // (dropped, or failed meanwhile). Later work is refused and named on standard error. A write
    // already running when finish() is called keeps its own patience.
    std::vector<std::string> finish(std::chrono::milliseconds bound);
    // Whether finish() has begun.
    bool isFinishing() const;

private:
    struct Entry {
        std::optional<std::string> saveName;
        // What a change is (postChange).
        std::optional<std::string> changeName;
        Save work;
    };
    void enqueue(Entry entry);
    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Entry> queue_;
    std::optional<std::string> runningSave_;
    bool busy_ = false;
    bool finishing_ = false;
    bool finished_ = false;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    std::uint64_t failed_ = 0;
    std::vector<std::string> notStored_;
    std::thread thread_;
};

} // namespace fen

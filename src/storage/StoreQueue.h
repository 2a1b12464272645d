#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace fen {

// The store's own thread: the window's writes run here one after another, in the order they were
// handed over, so a save that waits for another process's lock never holds up the GUI thread and
// a later delete never overtakes an earlier save. Work still queued at exit is done before the
// process ends.
class StoreQueue {
public:
    using Task = std::function<void()>;

    StoreQueue() = default;
    ~StoreQueue();
    StoreQueue(const StoreQueue&) = delete;
    StoreQueue& operator=(const StoreQueue&) = delete;

    // The process-wide queue.
    static StoreQueue& shared();

    // Runs `task` on the queue's thread after every task handed over before it.
    void post(Task task);
    // Waits until every task handed over so far has run; false when `timeout` passed first.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Task> tasks_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace fen

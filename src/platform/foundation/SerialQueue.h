#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace fen {

// A thread of its own that runs the tasks handed to it one after another, in the order given (the
// store's writes, the desktop's recent-files list): a task that waits never holds up the caller,
// and a later task never overtakes an earlier one. The thread starts with the first task; a queue
// that is destroyed first runs what is still queued.
class SerialQueue {
public:
    using Task = std::function<void()>;

    SerialQueue() = default;
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

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

#include "storage/StoreQueue.h"

#include "platform/foundation/Log.h"
#include "storage/CoreDataBase.h"

#include <utility>

namespace fen {

namespace {

// Work handed over after the queue has ended runs nowhere: said, so a preset is never lost in
// silence.
void tellRefused(const std::optional<std::string>& saveName) {
    if (saveName) {
        log::message(log::Level::error,
                     "the preset \"" + *saveName + "\" was not stored: the program is ending");
    }
}

// A change the ending queue did not store: its own notice needs a window that is going.
void tellChangeLost(const std::optional<std::string>& changeName) {
    if (changeName) {
        log::message(log::Level::error, *changeName + " was not stored: the program is ending");
    }
}

} // namespace

StoreQueue::~StoreQueue() {
    for (const std::string& name : finish(std::chrono::milliseconds(0))) {
        log::message(log::Level::error, "the preset \"" + name + "\" was not stored");
    }
}

StoreQueue& StoreQueue::shared() {
    static StoreQueue queue;
    return queue;
}

void StoreQueue::post(Task task) {
    enqueue({std::nullopt, std::nullopt, [task = std::move(task)] {
                 task();
                 return true;
             }});
}

void StoreQueue::postSave(std::string name, Save save) {
    enqueue({std::move(name), std::nullopt, std::move(save)});
}

void StoreQueue::postChange(std::string what, Save change) {
    enqueue({std::nullopt, std::move(what), std::move(change)});
}

void StoreQueue::enqueue(Entry entry) {
    {
        std::lock_guard lock(mutex_);
        if (finished_) {
            tellRefused(entry.saveName);
            tellChangeLost(entry.changeName);
            return;
        }
        queue_.push_back(std::move(entry));
        if (!thread_.joinable()) {
            thread_ = std::thread([this] { run(); });
        }
    }
    wake_.notify_one();
}

std::vector<std::string> StoreQueue::waitingSaves() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    if (runningSave_) {
        names.push_back(*runningSave_);
    }
    for (const Entry& entry : queue_) {
        if (entry.saveName) {
            names.push_back(*entry.saveName);
        }
    }
    return names;
}

std::uint64_t StoreQueue::failedSaves() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

bool StoreQueue::waitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return queue_.empty() && !busy_; });
}

std::vector<std::string> StoreQueue::dropWaitingSaves() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    std::erase_if(queue_, [&names](const Entry& entry) {
        if (entry.saveName) {
            names.push_back(*entry.saveName);
        }
        return entry.saveName.has_value();
    });
    if (queue_.empty() && !busy_) {
        idle_.notify_all();
    }
    return names;
}

std::vector<std::string> StoreQueue::finish(std::chrono::milliseconds bound) {
    {
        std::lock_guard lock(mutex_);
        if (!finishing_) {
            finishing_ = true;
            deadline_ = std::chrono::steady_clock::now() + bound;
        }
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
    // Anything still queued had no thread to run it.
    for (const Entry& entry : queue_) {
        if (entry.saveName) {
            notStored_.push_back(*entry.saveName);
        }
        tellChangeLost(entry.changeName);
    }
    queue_.clear();
    return std::exchange(notStored_, {});
}

bool StoreQueue::isFinishing() const {
    std::lock_guard lock(mutex_);
    return finishing_;
}

void StoreQueue::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
        const auto now = std::chrono::steady_clock::now();
        if (queue_.empty() || (deadline_ && now >= *deadline_)) {
            bool dropped = false;
            std::vector<std::optional<std::string>> lostChanges;
            for (const Entry& entry : queue_) {
                if (entry.saveName) {
                    notStored_.push_back(*entry.saveName);
                    dropped = true;
                }
                lostChanges.push_back(entry.changeName);
            }
            queue_.clear();
            // Under the lock: nothing handed over from now on is queued where no thread runs.
            finished_ = true;
            idle_.notify_all();
            lock.unlock();
            for (const std::optional<std::string>& change : lostChanges) {
                tellChangeLost(change);
            }
            if (dropped) {
                savesChanged.emit();
            }
            return;
        }
        Entry entry = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        runningSave_ = entry.saveName;
        std::optional<std::chrono::milliseconds> patience;
        if (deadline_) {
            patience = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline_ - now);
        }
        lock.unlock();
        // Once the queue is ending, no write waits for a busy store beyond its bound.
        CoreDataBase::setThreadWritePatience(patience);
        bool stored = false;
        try {
            stored = entry.work();
        } catch (...) {
            stored = false;
        }
        lock.lock();
        busy_ = false;
        runningSave_.reset();
        if (entry.saveName && !stored) {
            ++failed_;
            if (finishing_) {
                notStored_.push_back(*entry.saveName);
            }
        }
        if (entry.changeName && !stored && finishing_) {
            lock.unlock();
            tellChangeLost(entry.changeName);
            lock.lock();
        }
        if (queue_.empty()) {
            idle_.notify_all();
        }
        if (entry.saveName) {
            lock.unlock();
            savesChanged.emit();
            lock.lock();
        }
    }
}

} // namespace fen

#include "storage/StoreWork.h"

#include "platform/foundation/MainQueue.h"
#include "storage/StoreQueue.h"

#include <atomic>
#include <optional>
#include <utility>

namespace fen {

namespace {

std::atomic<bool> onStoreThread{false};

// Runs `work` at once on the calling thread, or on the store's thread (a change named `what` as
// such), then `done`, on the main thread when `work` ran on the store's.
void dispatch(std::optional<std::string> what, std::function<bool()> work, StoreWork::Task done) {
    if (!onStoreThread) {
        work();
        if (done) {
            done();
        }
        return;
    }
    auto task = [work = std::move(work), done = std::move(done)] {
        const bool stored = work();
        if (done) {
            MainQueue::post(done);
        }
        return stored;
    };
    if (what) {
        StoreQueue::shared().postChange(std::move(*what), std::move(task));
    } else {
        StoreQueue::shared().post([task = std::move(task)] { task(); });
    }
}

} // namespace

void StoreWork::run(Task work, Task done) {
    dispatch(
        std::nullopt,
        [work = std::move(work)] {
            work();
            return true;
        },
        std::move(done));
}

void StoreWork::change(std::string what, std::function<bool()> change, Task done) {
    dispatch(std::move(what), std::move(change), std::move(done));
}

void StoreWork::useStoreThread(bool use) {
    onStoreThread = use;
}

bool StoreWork::usesStoreThread() {
    return onStoreThread;
}

} // namespace fen

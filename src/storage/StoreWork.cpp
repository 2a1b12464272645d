#include "storage/StoreWork.h"

#include "platform/foundation/MainQueue.h"
#include "storage/StoreQueue.h"

#include <atomic>
#include <utility>

namespace fen {

namespace {

std::atomic<bool> onStoreThread{false};

} // namespace

void StoreWork::run(Task work, Task done) {
    if (!onStoreThread) {
        work();
        if (done) {
            done();
        }
        return;
    }
    StoreQueue::shared().post([work = std::move(work), done = std::move(done)] {
        work();
        if (done) {
            MainQueue::post(done);
        }
    });
}

void StoreWork::useStoreThread(bool use) {
    onStoreThread = use;
}

bool StoreWork::usesStoreThread() {
    return onStoreThread;
}

} // namespace fen

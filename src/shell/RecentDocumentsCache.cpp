#include "shell/RecentDocumentsCache.h"

#include "platform/foundation/MainQueue.h"
#include "platform/foundation/SerialQueue.h"

#include <atomic>
#include <mutex>

namespace fen {

namespace {

// The one worker of the process that touches the bookmark file: tasks run in the order given, so
// a list read after an addition sees it. Never destroyed: a task may still run while the process
// ends.
SerialQueue& fileWorker() {
    static SerialQueue* worker = new SerialQueue;
    return *worker;
}

} // namespace

struct RecentDocumentsCache::State {
    Source source;
    std::size_t limit;
    std::vector<std::filesystem::path> paths;
    bool hasRead = false;
    // Work asked for whose list has not landed.
    int pending = 0;
    std::function<void()>* landed = nullptr;
    // Cleared when the cache goes: from then on the worker posts nothing, so no result is posted
    // while the program ends.
    std::mutex postMutex;
    std::atomic<bool> alive = true;
};

RecentDocumentsCache::RecentDocumentsCache(Source source, std::size_t limit)
    : state_(std::make_shared<State>()) {
    state_->source = std::move(source);
    state_->limit = limit;
    state_->landed = &landed;
}

RecentDocumentsCache::~RecentDocumentsCache() {
    std::lock_guard lock(state_->postMutex);
    state_->alive = false;
}

const std::vector<std::filesystem::path>& RecentDocumentsCache::paths() const {
    return state_->paths;
}

bool RecentDocumentsCache::hasRead() const {
    return state_->hasRead;
}

bool RecentDocumentsCache::isBusy() const {
    return state_->pending > 0;
}

void RecentDocumentsCache::reload() {
    schedule(nullptr);
}

void RecentDocumentsCache::add(const std::filesystem::path& path) {
    schedule([path](RecentDocuments& documents) { return documents.add(path); });
}

void RecentDocumentsCache::clear() {
    state_->paths.clear();
    schedule([](RecentDocuments& documents) { return documents.clear(); });
}

void RecentDocumentsCache::schedule(std::function<bool(RecentDocuments&)> change) {
    ++state_->pending;
    fileWorker().post([state = state_, change = std::move(change)] {
        if (!state->alive) {
            return;
        }
        RecentDocuments documents = state->source();
        if (change) {
            change(documents);
        }
        auto read =
            std::make_shared<std::vector<std::filesystem::path>>(documents.paths(state->limit));
        std::lock_guard lock(state->postMutex);
        if (!state->alive) {
            return;
        }
        MainQueue::post([weak = std::weak_ptr<State>(state), read] {
            const std::shared_ptr<State> held = weak.lock();
            if (!held || !held->alive || --held->pending > 0) {
                // Gone, or a later list is on its way.
                return;
            }
            held->paths = std::move(*read);
            held->hasRead = true;
            if (*held->landed) {
                (*held->landed)();
            }
        });
    });
}

} // namespace fen

#include "document/EditorPageRendererQueue.h"

#include "document/EditorPageRenderer.h"
#include "platform/foundation/MainQueue.h"
#include "rendering/FenDocument.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace fen {

namespace {

constexpr int workerCount = 2;
constexpr int workerNiceness = 10;

} // namespace

struct EditorPageRendererQueue::State {
    std::shared_ptr<FenDocument> document;
    // Touched on the main thread only: cleared when the queue goes, so that a late picture is
    // dropped.
    Delivery deliver;

    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;
    std::vector<ContentRequest> wanted;
    std::vector<ContentRequest> rendering;
    // Rendered and posted, not yet received on the main thread: never asked for again meanwhile.
    std::vector<ContentRequest> posted;

    // The first wanted request that no worker renders yet.
    std::vector<ContentRequest>::iterator next() {
        return std::find_if(wanted.begin(), wanted.end(), [this](const ContentRequest& r) {
            return std::find(rendering.begin(), rendering.end(), r) == rendering.end();
        });
    }

    static void work(const std::shared_ptr<State>& state) {
        // Rendering yields the processor to the GUI thread, which must stay responsive.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), workerNiceness);
        std::unique_lock lock(state->mutex);
        while (true) {
            state->changed.wait(
                lock, [&] { return state->stopping || state->next() != state->wanted.end(); });
            if (state->stopping) {
                return;
            }
            const ContentRequest request = *state->next();
            state->rendering.push_back(request);
            lock.unlock();
            gfx::Image content = EditorPageRenderer::renderContent(*state->document, request.index,
                                                                   request.scale, request.region);
            lock.lock();
            state->rendering.erase(
                std::find(state->rendering.begin(), state->rendering.end(), request));
            auto stillWanted = std::find(state->wanted.begin(), state->wanted.end(), request);
            if (stillWanted == state->wanted.end() || state->stopping) {
                continue; // cancelled while it was drawn
            }
            state->wanted.erase(stillWanted);
            state->posted.push_back(request);
            lock.unlock();
            MainQueue::post([state, request, content = std::move(content)] {
                {
                    std::lock_guard received(state->mutex);
                    state->posted.erase(
                        std::find(state->posted.begin(), state->posted.end(), request));
                }
                if (state->deliver) {
                    state->deliver(request, content);
                }
            });
            lock.lock();
        }
    }
};

EditorPageRendererQueue::EditorPageRendererQueue(std::shared_ptr<FenDocument> document,
                                                 Delivery deliver)
    : state_(std::make_shared<State>()) {
    state_->document = std::move(document);
    state_->deliver = std::move(deliver);
    for (int i = 0; i < workerCount; ++i) {
        Background::run([state = state_] { State::work(state); });
    }
}

EditorPageRendererQueue::~EditorPageRendererQueue() {
    state_->deliver = nullptr;
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    state_->wanted.clear();
    state_->changed.notify_all();
}

void EditorPageRendererQueue::want(std::vector<ContentRequest> requests) {
    std::lock_guard lock(state_->mutex);
    std::erase_if(requests, [this](const ContentRequest& r) {
        return std::find(state_->posted.begin(), state_->posted.end(), r) != state_->posted.end();
    });
    state_->wanted = std::move(requests);
    state_->changed.notify_all();
}

} // namespace fen

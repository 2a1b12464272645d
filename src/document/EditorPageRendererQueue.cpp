#include "document/EditorPageRendererQueue.h"

#include "document/EditorPageRenderer.h"
#include "platform/foundation/MainQueue.h"
#include "rendering/FenDocument.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace fen {

namespace {

// A second worker starts only when the first is held by a render no longer wanted.
constexpr int mostWorkers = 2;

// The workers that are rendering or letting go of a document. The program's exit waits for
// them (made after the PDF libraries' own state, this goes before it), so that no document is
// drawn or destroyed on a worker while the libraries' state is torn down.
class BusyWorkers {
public:
    ~BusyWorkers() {
        std::unique_lock lock(mutex_);
        idle_.wait_for(lock, std::chrono::seconds(30), [this] { return count_ == 0; });
    }
    void enter() {
        std::lock_guard lock(mutex_);
        ++count_;
    }
    void leave() {
        std::lock_guard lock(mutex_);
        if (--count_ == 0) {
            idle_.notify_all();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable idle_;
    int count_ = 0;
};

BusyWorkers& busyWorkers() {
    static BusyWorkers workers;
    return workers;
}

} // namespace

struct EditorPageRendererQueue::State {
    std::shared_ptr<FenDocument> document;
    // Touched on the main thread only: cleared when the queue goes, so that a late picture is
    // dropped; until the queue is given one, the pictures that arrive wait in `early`.
    Delivery deliver;
    std::vector<std::pair<ContentRequest, gfx::Image>> early;

    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;
    int workers = 0;
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

    // Starts a worker; the mutex is held.
    static void start(const std::shared_ptr<State>& state) {
        ++state->workers;
        Background::run([held = state]() mutable { work(std::move(held)); });
    }

    // Whether every worker is drawing a picture no longer wanted while another one is.
    bool heldByCancelled() {
        if (next() == wanted.end() || static_cast<int>(rendering.size()) < workers) {
            return false;
        }
        return std::none_of(rendering.begin(), rendering.end(), [this](const ContentRequest& r) {
            return std::find(wanted.begin(), wanted.end(), r) != wanted.end();
        });
    }

    static void work(std::shared_ptr<State> state) {
        std::unique_lock lock(state->mutex);
        while (true) {
            state->changed.wait(
                lock, [&] { return state->stopping || state->next() != state->wanted.end(); });
            if (state->stopping) {
                lock.unlock();
                state.reset();         // the document may go with it
                busyWorkers().leave(); // entered for this worker by the queue's destructor
                return;
            }
            const ContentRequest request = *state->next();
            state->rendering.push_back(request);
            busyWorkers().enter();
            lock.unlock();
            gfx::Image content = EditorPageRenderer::renderContent(*state->document, request.index,
                                                                   request.scale, request.region);
            lock.lock();
            state->rendering.erase(
                std::find(state->rendering.begin(), state->rendering.end(), request));
            auto stillWanted = std::find(state->wanted.begin(), state->wanted.end(), request);
            if (stillWanted != state->wanted.end() && !state->stopping) {
                state->wanted.erase(stillWanted);
                state->posted.push_back(request);
                lock.unlock();
                MainQueue::post([state, request, content = std::move(content)] {
                    bool open = false;
                    {
                        std::lock_guard received(state->mutex);
                        state->posted.erase(
                            std::find(state->posted.begin(), state->posted.end(), request));
                        open = !state->stopping;
                    }
                    if (state->deliver) {
                        state->deliver(request, content);
                    } else if (open) {
                        state->early.emplace_back(request, content);
                    }
                });
                lock.lock();
            } // else cancelled while it was drawn
            busyWorkers().leave();
        }
    }
};

EditorPageRendererQueue::EditorPageRendererQueue(std::shared_ptr<FenDocument> document,
                                                 Delivery deliver)
    : state_(std::make_shared<State>()) {
    state_->document = std::move(document);
    state_->deliver = std::move(deliver);
    busyWorkers(); // made before any worker can need it
    std::lock_guard lock(state_->mutex);
    State::start(state_);
}

const std::shared_ptr<FenDocument>& EditorPageRendererQueue::document() const {
    return state_->document;
}

void EditorPageRendererQueue::deliverTo(Delivery deliver) {
    state_->deliver = std::move(deliver);
    std::vector<std::pair<ContentRequest, gfx::Image>> early;
    early.swap(state_->early);
    for (const auto& [request, content] : early) {
        if (state_->deliver) {
            state_->deliver(request, content);
        }
    }
}

EditorPageRendererQueue::~EditorPageRendererQueue() {
    state_->deliver = nullptr;
    state_->early.clear();
    std::shared_ptr<FenDocument> document;
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    state_->wanted.clear();
    // Each worker now has its document to let go of before the program may end.
    for (int i = 0; i < state_->workers; ++i) {
        busyWorkers().enter();
    }
    // Unless a worker still draws it, the document goes here, on the GUI thread.
    if (state_->rendering.empty()) {
        document = std::move(state_->document);
    }
    state_->changed.notify_all();
}

void EditorPageRendererQueue::want(std::vector<ContentRequest> requests) {
    std::lock_guard lock(state_->mutex);
    std::erase_if(requests, [this](const ContentRequest& r) {
        return std::find(state_->posted.begin(), state_->posted.end(), r) != state_->posted.end();
    });
    state_->wanted = std::move(requests);
    if (state_->workers < mostWorkers && state_->heldByCancelled()) {
        State::start(state_);
    }
    state_->changed.notify_all();
}

} // namespace fen

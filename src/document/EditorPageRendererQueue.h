#pragma once

#include "document/PDFViewEditLayout.h"
#include "platform/graphics/Image.h"

#include <functional>
#include <memory>
#include <vector>

namespace fen {

class FenDocument;

// One picture of page content the editor wants: a page, a scale and the region of the page.
struct ContentRequest {
    int index = 0;
    double scale = 0;
    PixelRect region;

    bool operator==(const ContentRequest&) const = default;
};

// Renders the editor's page content off the GUI thread. A worker of fen::Background serves one
// document for the life of the queue, so it keeps its own poppler document; a second one starts
// when the first is held by a long render that was cancelled, so a fresh request never waits
// behind it. The wanted list replaces the one
// before: a request no longer on it is dropped before it starts, and one already being rendered
// is not delivered. Pictures come back through MainQueue::post, never after the queue is gone.
//
// The queue may be made on any thread before its view exists (the window's loader does, so that
// the first page is drawn while the window takes the document); it is then given its delivery,
// and destroyed, on the main thread. Pictures that arrive before the delivery wait for it.
class EditorPageRendererQueue {
public:
    using Delivery = std::function<void(const ContentRequest& request, const gfx::Image& content)>;

    explicit EditorPageRendererQueue(std::shared_ptr<FenDocument> document, Delivery deliver = {});
    ~EditorPageRendererQueue();
    EditorPageRendererQueue(const EditorPageRendererQueue&) = delete;
    EditorPageRendererQueue& operator=(const EditorPageRendererQueue&) = delete;

    const std::shared_ptr<FenDocument>& document() const;
    // Sets where pictures go (main thread) and hands it those that came before.
    void deliverTo(Delivery deliver);
    // The pictures wanted now, the most urgent first (any thread).
    void want(std::vector<ContentRequest> requests);

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace fen

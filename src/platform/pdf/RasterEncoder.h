#pragma once

#include "platform/graphics/Image.h"
#include "platform/pdf/DeferredRaster.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fen::pdf {

// A picture ready for the PDF: 8-bit RGB rows, Flate-compressed.
struct EncodedRaster {
    int width = 0;
    int height = 0;
    std::string flate;
};

// One deferred picture of a write: made and compressed once, by a worker, then taken by the
// merge. Used inside the PDF layer only.
class RasterTask {
public:
    explicit RasterTask(DeferredRaster::Painter painter);

    // Paints and encodes (on a worker); does nothing once cancelled or done.
    void run();
    // Drops the task if it has not run yet.
    void cancel();
    // Waits until the task has run or was cancelled and hands over its picture (once); an empty
    // picture (width 0) when painting failed or the task was cancelled.
    EncodedRaster take();

private:
    enum class State { waiting, running, done };
    std::mutex mutex_;
    std::condition_variable doneCondition_;
    State state_ = State::waiting;
    DeferredRaster::Painter painter_;
    EncodedRaster result_;
};

// The worker threads of one write that make and compress its deferred pictures, a few pages
// ahead of the merge. Used inside the PDF layer only.
class RasterEncoder {
public:
    // `threads` workers; 0 = one per processor, at most eight.
    explicit RasterEncoder(unsigned threads = 0);
    // Runs every task not cancelled, then joins the workers.
    ~RasterEncoder();
    RasterEncoder(const RasterEncoder&) = delete;
    RasterEncoder& operator=(const RasterEncoder&) = delete;

    // Queues a task; blocks while the queue is full, so pages are drawn only a little ahead of
    // the workers.
    void submit(std::shared_ptr<RasterTask> task);
    // Cancels every task that has not started.
    void cancelPending();

    // The picture as RGB over white (premultiplied colour plus the missing coverage in white),
    // Flate-compressed at a fast level; empty for the null image.
    static EncodedRaster encode(const gfx::Image& image);

private:
    void work();

    std::mutex mutex_;
    std::condition_variable queueCondition_;
    std::condition_variable spaceCondition_;
    std::deque<std::shared_ptr<RasterTask>> queue_;
    size_t capacity_ = 1;
    bool finishing_ = false;
    std::vector<std::thread> workers_;
};

} // namespace fen::pdf

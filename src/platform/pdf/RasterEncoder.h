#pragma once

#include "platform/pdf/BitmapEncoding.h"
#include "platform/pdf/DeferredRaster.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fen::pdf {

// A picture ready for the PDF: its 8-bit RGB rows, or grey ones when every pixel is grey, packed
// as PackedPlane does.
struct EncodedRaster {
    int width = 0;
    int height = 0;
    PackedPlane pixels;
};

// One deferred picture of a write: painted and compressed once, by a worker, then taken by the
// merge. Used inside the PDF layer only.
class RasterTask {
public:
    RasterTask(int pixelWidth, int pixelHeight, DeferredRaster::Painter painter);

    // Paints and encodes in the calling worker's reused bitmap; does nothing once cancelled or
    // done.
    void run();
    // Drops the task if it has not started.
    void cancel();
    // Waits until the task has run or was cancelled and gives its picture, kept as long as the
    // task; an empty picture (width 0) when painting failed or the task was cancelled.
    const EncodedRaster& result();

private:
    enum class State { waiting, running, done };
    std::mutex mutex_;
    std::condition_variable doneCondition_;
    State state_ = State::waiting;
    int width_;
    int height_;
    DeferredRaster::Painter painter_;
    EncodedRaster result_;
};

// The worker threads of one write that paint and compress its deferred pictures, a few pages
// ahead of the drawing of the pages. Each worker keeps one bitmap and one compressor for all its
// pictures, so a long write neither allocates nor scatters page-sized buffers. Used inside the
// PDF layer only.
class RasterEncoder {
public:
    // `threads` workers; 0 = one per processor, at most eight.
    explicit RasterEncoder(unsigned threads = 0);
    // Runs every task not cancelled, then joins the workers.
    ~RasterEncoder();
    RasterEncoder(const RasterEncoder&) = delete;
    RasterEncoder& operator=(const RasterEncoder&) = delete;

    // Queues a task; blocks while the queue is full.
    void submit(std::shared_ptr<RasterTask> task);
    // Cancels every task that has not started.
    void cancelPending();

    // Premultiplied ARGB32 rows (native-endian words, row 0 at the top) as RGB over white,
    // packed; empty when compressing fails.
    static EncodedRaster encode(const unsigned char* pixels, std::ptrdiff_t stride, int width,
                                int height);

private:
    void work();

    std::mutex mutex_;
    std::condition_variable queueCondition_;
    std::condition_variable spaceCondition_;
    std::deque<std::shared_ptr<RasterTask>> queue_;
    std::size_t capacity_ = 1;
    bool finishing_ = false;
    std::vector<std::thread> workers_;
};

} // namespace fen::pdf

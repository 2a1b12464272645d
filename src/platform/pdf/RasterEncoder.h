#pragma once

#include "platform/pdf/BitmapEncoding.h"
#include "platform/pdf/DeferredRaster.h"
#include "platform/pdf/RasterSpill.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fen::pdf {

// A picture ready for the PDF: its 8-bit RGB rows, or grey ones when every pixel is grey, packed
// as PackedPlane does. Once stored in the write's spill, the compressed bytes are there and
// `pixels.flate` is empty.
struct EncodedRaster {
    int width = 0;
    int height = 0;
    PackedPlane pixels;
    std::optional<RasterSpill::Extent> spilled;
};

// One deferred picture of a write: painted and compressed once, by a worker, then taken by the
// merge. Used inside the PDF layer only.
class RasterTask {
public:
    RasterTask(int pixelWidth, int pixelHeight, DeferredRaster::Painter painter);
    ~RasterTask();
    RasterTask(const RasterTask&) = delete;
    RasterTask& operator=(const RasterTask&) = delete;

    // Paints and encodes in the calling worker's reused bitmap, then moves the compressed bytes
    // to `spill` when there is one and it takes them; does nothing once cancelled or done. The
    // bytes held in memory count in `gauge` (when given) until they go.
    void run(RasterSpill* spill = nullptr, PictureMemoryGauge* gauge = nullptr);
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
    PictureMemoryGauge* gauge_ = nullptr;
};

// The worker threads of one write that paint and compress its deferred pictures, a few pages
// ahead of the drawing of the pages. Each worker keeps one bitmap and one compressor for all its
// pictures, so a long write neither allocates nor scatters page-sized buffers; each picture goes
// to the write's spill as soon as it is compressed. Used inside the PDF layer only.
class RasterEncoder {
public:
    // `threads` workers; 0 = one per processor, at most eight. The pictures go to `spill` when
    // one is given, and count in `gauge` while in memory.
    explicit RasterEncoder(unsigned threads = 0, std::shared_ptr<RasterSpill> spill = {},
                           PictureMemoryGauge* gauge = nullptr);
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
    std::shared_ptr<RasterSpill> spill_;
    PictureMemoryGauge* gauge_;
    std::vector<std::thread> workers_;
};

} // namespace fen::pdf

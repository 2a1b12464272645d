#include "platform/pdf/RasterEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace fen::pdf {

namespace {

// Compression level of deferred pictures: the fastest, since a flattened page's pixels are
// mostly runs of one colour, which even the fastest level packs well.
constexpr int kCompressionLevel = 1;

// Rows converted per compression step.
constexpr int kRowsPerChunk = 64;

} // namespace

RasterTask::RasterTask(DeferredRaster::Painter painter) : painter_(std::move(painter)) {}

void RasterTask::run() {
    DeferredRaster::Painter painter;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_ != State::waiting) {
            return;
        }
        state_ = State::running;
        painter = std::move(painter_);
    }
    EncodedRaster result;
    if (painter) {
        result = RasterEncoder::encode(painter());
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        result_ = std::move(result);
        state_ = State::done;
    }
    doneCondition_.notify_all();
}

void RasterTask::cancel() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_ != State::waiting) {
            return;
        }
        painter_ = nullptr;
        state_ = State::done;
    }
    doneCondition_.notify_all();
}

EncodedRaster RasterTask::take() {
    std::unique_lock<std::mutex> lock(mutex_);
    doneCondition_.wait(lock, [this] { return state_ == State::done; });
    return std::exchange(result_, EncodedRaster{});
}

RasterEncoder::RasterEncoder(unsigned threads) {
    if (threads == 0) {
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    }
    capacity_ = 2 * static_cast<size_t>(threads);
    workers_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        workers_.emplace_back([this] { work(); });
    }
}

RasterEncoder::~RasterEncoder() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
    }
    queueCondition_.notify_all();
    for (auto& w : workers_) {
        w.join();
    }
}

void RasterEncoder::submit(std::shared_ptr<RasterTask> task) {
    std::unique_lock<std::mutex> lock(mutex_);
    spaceCondition_.wait(lock, [this] { return queue_.size() < capacity_; });
    queue_.push_back(std::move(task));
    lock.unlock();
    queueCondition_.notify_one();
}

void RasterEncoder::cancelPending() {
    std::deque<std::shared_ptr<RasterTask>> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        dropped.swap(queue_);
    }
    spaceCondition_.notify_all();
    for (auto& task : dropped) {
        task->cancel();
    }
}

void RasterEncoder::work() {
    for (;;) {
        std::shared_ptr<RasterTask> task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            queueCondition_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;
            }
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        spaceCondition_.notify_one();
        task->run();
    }
}

EncodedRaster RasterEncoder::encode(const gfx::Image& image) {
    EncodedRaster out;
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        return out;
    }
    const int width = image.width();
    const int height = image.height();
    const size_t rowBytes = static_cast<size_t>(width) * 3;

    z_stream z{};
    if (deflateInit(&z, kCompressionLevel) != Z_OK) {
        return out;
    }
    std::string compressed;
    compressed.resize(deflateBound(&z, static_cast<uLong>(rowBytes * static_cast<size_t>(height))));
    z.next_out = reinterpret_cast<Bytef*>(compressed.data());
    z.avail_out = static_cast<uInt>(compressed.size());

    std::vector<unsigned char> rgb(rowBytes * kRowsPerChunk);
    bool ok = true;
    for (int y0 = 0; y0 < height && ok; y0 += kRowsPerChunk) {
        const int rows = std::min(kRowsPerChunk, height - y0);
        unsigned char* o = rgb.data();
        for (int y = y0; y < y0 + rows; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(
                image.data() + static_cast<ptrdiff_t>(y) * image.stride());
            for (int x = 0; x < width; ++x) {
                const std::uint32_t p = row[x];
                const unsigned white = 255 - (p >> 24);
                *o++ = static_cast<unsigned char>(((p >> 16) & 0xFF) + white);
                *o++ = static_cast<unsigned char>(((p >> 8) & 0xFF) + white);
                *o++ = static_cast<unsigned char>((p & 0xFF) + white);
            }
        }
        const bool last = y0 + rows >= height;
        z.next_in = rgb.data();
        z.avail_in = static_cast<uInt>(rowBytes * static_cast<size_t>(rows));
        const int rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
        ok = last ? rc == Z_STREAM_END : rc == Z_OK;
    }
    if (ok) {
        out.width = width;
        out.height = height;
        // A copy of the exact size: the working buffer is as large as the raw pixels.
        out.flate.assign(compressed.data(), z.total_out);
    }
    deflateEnd(&z);
    return out;
}

} // namespace fen::pdf

#include "platform/pdf/RasterEncoder.h"

#include "platform/graphics/Context.h"

#include <cairo.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace fen::pdf {

namespace {

// Compression level of deferred pictures: the fastest, since a flattened page's pixels are
// mostly runs of one colour, which even the fastest level packs well.
constexpr int kCompressionLevel = 1;

constexpr int kStrategy = Z_DEFAULT_STRATEGY;

// Rows converted per compression step, and the compressed bytes taken out per step.
constexpr int kRowsPerChunk = 64;
constexpr size_t kOutputChunk = 64 * 1024;

// The calling worker's bitmap, made anew only when the size changes; freed when the worker ends.
cairo_surface_t* workerBitmap(int width, int height) {
    struct Surface {
        cairo_surface_t* surface = nullptr;
        ~Surface() {
            if (surface) {
                cairo_surface_destroy(surface);
            }
        }
    };
    thread_local Surface bitmap;
    if (bitmap.surface && cairo_image_surface_get_width(bitmap.surface) == width &&
        cairo_image_surface_get_height(bitmap.surface) == height) {
        return bitmap.surface;
    }
    if (bitmap.surface) {
        cairo_surface_destroy(bitmap.surface);
        bitmap.surface = nullptr;
    }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    bitmap.surface = s;
    return s;
}

// The calling thread's compressor and working buffers, kept from picture to picture.
struct Compressor {
    z_stream z{};
    bool ready = false;
    std::vector<unsigned char> lines, above, current, buffer;
    std::string compressed;

    Compressor() {
        ready = deflateInit2(&z, kCompressionLevel, Z_DEFLATED, 15, 8, kStrategy) == Z_OK;
    }
    ~Compressor() {
        if (ready) {
            deflateEnd(&z);
        }
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
};

Compressor& workerCompressor() {
    thread_local Compressor compressor;
    return compressor;
}

} // namespace

RasterTask::RasterTask(int pixelWidth, int pixelHeight, DeferredRaster::Painter painter)
    : width_(pixelWidth), height_(pixelHeight), painter_(std::move(painter)) {}

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
    if (cairo_surface_t* surface = workerBitmap(width_, height_)) {
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        bool painted = false;
        {
            gfx::Context ctx(cr, height_);
            painted = painter && painter(ctx);
        }
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        if (painted) {
            result =
                RasterEncoder::encode(cairo_image_surface_get_data(surface),
                                      cairo_image_surface_get_stride(surface), width_, height_);
        }
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

const EncodedRaster& RasterTask::result() {
    std::unique_lock<std::mutex> lock(mutex_);
    doneCondition_.wait(lock, [this] { return state_ == State::done; });
    return result_;
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

EncodedRaster RasterEncoder::encode(const unsigned char* pixels, std::ptrdiff_t stride, int width,
                                    int height) {
    EncodedRaster out;
    if (!pixels || width <= 0 || height <= 0) {
        return out;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    // Each row: the PNG filter byte "Up", then every byte less the byte above it (mod 256).
    const size_t lineBytes = rowBytes + 1;

    Compressor& c = workerCompressor();
    if (!c.ready || deflateReset(&c.z) != Z_OK) {
        return out;
    }
    z_stream& z = c.z;
    c.lines.resize(lineBytes * kRowsPerChunk);
    c.above.assign(rowBytes, 0);
    c.current.resize(rowBytes);
    c.buffer.resize(kOutputChunk);
    c.compressed.clear();
    bool ok = true;
    for (int y0 = 0; y0 < height && ok; y0 += kRowsPerChunk) {
        const int rows = std::min(kRowsPerChunk, height - y0);
        unsigned char* o = c.lines.data();
        for (int y = y0; y < y0 + rows; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(pixels + y * stride);
            unsigned char* rgb = c.current.data();
            for (int x = 0; x < width; ++x) {
                const std::uint32_t p = row[x];
                const unsigned white = 255 - (p >> 24);
                *rgb++ = static_cast<unsigned char>(((p >> 16) & 0xFF) + white);
                *rgb++ = static_cast<unsigned char>(((p >> 8) & 0xFF) + white);
                *rgb++ = static_cast<unsigned char>((p & 0xFF) + white);
            }
            *o++ = 2;
            for (size_t i = 0; i < rowBytes; ++i) {
                *o++ = static_cast<unsigned char>(c.current[i] - c.above[i]);
            }
            c.above.swap(c.current);
        }
        const bool last = y0 + rows >= height;
        z.next_in = c.lines.data();
        z.avail_in = static_cast<uInt>(lineBytes * static_cast<size_t>(rows));
        int rc = Z_OK;
        do {
            z.next_out = c.buffer.data();
            z.avail_out = static_cast<uInt>(c.buffer.size());
            rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            c.compressed.append(reinterpret_cast<const char*>(c.buffer.data()),
                                c.buffer.size() - z.avail_out);
        } while (rc == Z_OK && z.avail_out == 0);
        ok = last ? rc == Z_STREAM_END : rc == Z_OK || rc == Z_BUF_ERROR;
    }
    if (ok) {
        out.width = width;
        out.height = height;
        // One allocation of the exact size per picture; the working buffers stay with the worker.
        out.flate.assign(c.compressed);
    }
    return out;
}

} // namespace fen::pdf

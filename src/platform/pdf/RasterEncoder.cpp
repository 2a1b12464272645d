#include "platform/pdf/RasterEncoder.h"

#include "platform/graphics/Context.h"

#include <cairo.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace fen::pdf {

namespace {

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

} // namespace

RasterTask::RasterTask(int pixelWidth, int pixelHeight, DeferredRaster::Painter painter)
    : width_(pixelWidth), height_(pixelHeight), painter_(std::move(painter)) {}

RasterTask::~RasterTask() {
    if (gauge_) {
        gauge_->remove(result_.pixels.flate.size());
    }
}

void RasterTask::run(RasterSpill* spill, PictureMemoryGauge* gauge) {
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
    const std::size_t held = result.pixels.flate.size();
    if (gauge) {
        gauge->add(held);
    }
    if (spill && held > 0) {
        if (auto extent = spill->append(result.pixels.flate)) {
            result.spilled = extent;
            std::string().swap(result.pixels.flate);
            if (gauge) {
                gauge->remove(held);
            }
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        result_ = std::move(result);
        gauge_ = gauge;
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

RasterEncoder::RasterEncoder(unsigned threads, std::shared_ptr<RasterSpill> spill,
                             PictureMemoryGauge* gauge)
    : spill_(std::move(spill)), gauge_(gauge) {
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
        task->run(spill_.get(), gauge_);
    }
}

EncodedRaster RasterEncoder::encode(const unsigned char* pixels, std::ptrdiff_t stride, int width,
                                    int height) {
    EncodedRaster out;
    if (!pixels || width <= 0 || height <= 0) {
        return out;
    }
    // The calling worker's rows, kept from picture to picture.
    thread_local std::vector<unsigned char> rows;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    // One byte more than the rows: each pixel is stored as a 4-byte word whose last byte the next
    // pixel overwrites.
    rows.resize(rowBytes * static_cast<size_t>(height) + 1);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(pixels + y * stride);
        unsigned char* rgb = rows.data() + rowBytes * static_cast<size_t>(y);
        for (int x = 0; x < width; ++x, rgb += 3) {
            std::uint32_t p = row[x];
            if (p < 0xFF000000u) {
                // Not opaque: over white paper, each premultiplied component gains 255 - alpha.
                const std::uint32_t white = 255 - (p >> 24);
                p = (((p >> 16) & 0xFF) + white) << 16 | (((p >> 8) & 0xFF) + white) << 8 |
                    ((p & 0xFF) + white);
            }
            // R, G, B in this order in memory.
            const std::uint32_t word =
                std::endian::native == std::endian::little ? __builtin_bswap32(p) >> 8 : p << 8;
            std::memcpy(rgb, &word, 4);
        }
    }
    if (auto plane = PackedPlane::pack(rows, width, height, 3, true)) {
        out.width = width;
        out.height = height;
        out.pixels = std::move(*plane);
    }
    return out;
}

} // namespace fen::pdf

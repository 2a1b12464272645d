#include "platform/graphics/BitmapContext.h"

#include <cairo.h>
#include <sys/mman.h>

#include <cmath>
#include <cstddef>
#include <cstring>

namespace fen::gfx {

namespace {

// A side in whole pixels, or 0 when it cannot be made.
int pixelSide(double side) {
    if (!std::isfinite(side)) {
        return 0;
    }
    double whole = std::trunc(side);
    if (whole < 1 || whole > BitmapContext::maxSide) {
        return 0;
    }
    return static_cast<int>(whole);
}

} // namespace

std::unique_ptr<BitmapContext> BitmapContext::create(double width, double height) {
    const int w = pixelSide(width), h = pixelSide(height);
    if (w == 0 || h == 0) {
        return nullptr;
    }
    return over(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h), w, h);
}

std::unique_ptr<BitmapContext> BitmapContext::createMapped(double width, double height) {
    const int w = pixelSide(width), h = pixelSide(height);
    if (w == 0 || h == 0) {
        return nullptr;
    }
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, w);
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(h);
    void* pixels =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pixels == MAP_FAILED) {
        return nullptr;
    }
    // Fresh mappings are zero: the bitmap starts transparent, as cairo's own do.
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        static_cast<unsigned char*>(pixels), CAIRO_FORMAT_ARGB32, w, h, stride);
    struct Mapping {
        void* pixels;
        std::size_t bytes;
    };
    static cairo_user_data_key_t mappingKey;
    auto* mapping = new Mapping{pixels, bytes};
    if (cairo_surface_set_user_data(surface, &mappingKey, mapping, [](void* data) {
            auto* m = static_cast<Mapping*>(data);
            ::munmap(m->pixels, m->bytes);
            delete m;
        }) != CAIRO_STATUS_SUCCESS) {
        ::munmap(pixels, bytes);
        delete mapping;
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return over(surface, w, h);
}

std::unique_ptr<BitmapContext> BitmapContext::over(cairo_surface_t* surface, int w, int h) {
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_t* cr = cairo_create(surface);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        return nullptr;
    }
    std::unique_ptr<BitmapContext> ctx(new BitmapContext(surface, cr, w, h));
    cairo_destroy(cr); // the context holds its own reference
    return ctx;
}

BitmapContext::BitmapContext(cairo_surface_t* surface, cairo_t* cr, int width, int height)
    : Context(cr, height), surface_(surface), width_(width), height_(height) {}

// The cairo context of the base class keeps its own reference on the surface while it closes.
BitmapContext::~BitmapContext() {
    cairo_surface_destroy(surface_);
}

Image BitmapContext::makeImage() const {
    cairo_surface_flush(surface_);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_, height_);
    if (cairo_surface_status(copy) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(copy);
        return {};
    }
    cairo_surface_flush(copy);
    const unsigned char* from = cairo_image_surface_get_data(surface_);
    unsigned char* to = cairo_image_surface_get_data(copy);
    const int fromStride = cairo_image_surface_get_stride(surface_);
    const int toStride = cairo_image_surface_get_stride(copy);
    for (int y = 0; y < height_; ++y) {
        std::memcpy(to + static_cast<std::size_t>(y) * toStride,
                    from + static_cast<std::size_t>(y) * fromStride,
                    static_cast<std::size_t>(width_) * 4);
    }
    cairo_surface_mark_dirty(copy);
    return Image::adopt(copy);
}

Image BitmapContext::takeImage(std::unique_ptr<BitmapContext> bitmap) {
    if (!bitmap) {
        return {};
    }
    cairo_surface_t* surface = cairo_surface_reference(bitmap->surface_);
    bitmap.reset(); // its drawing state goes; only the pixels stay
    return Image::adopt(surface);
}

void BitmapContext::editPixelRows(
    const std::function<void(int y, std::span<std::uint32_t> row)>& edit) {
    cairo_surface_flush(surface_);
    unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    for (int y = 0; y < height_; ++y) {
        auto* row =
            reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        edit(y, std::span<std::uint32_t>(row, static_cast<std::size_t>(width_)));
    }
    cairo_surface_mark_dirty(surface_);
}

} // namespace fen::gfx

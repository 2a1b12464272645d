#include "platform/graphics/Image.h"

#include <cairo.h>

#include <cstring>
#include <utility>

namespace fen::gfx {

Image::~Image() {
    if (surface_) {
        cairo_surface_destroy(surface_);
    }
}

Image::Image(const Image& other) : surface_(other.surface_) {
    if (surface_) {
        cairo_surface_reference(surface_);
    }
}

Image& Image::operator=(const Image& other) {
    if (this != &other) {
        Image copy(other);
        std::swap(surface_, copy.surface_);
    }
    return *this;
}

Image::Image(Image&& other) noexcept : surface_(std::exchange(other.surface_, nullptr)) {}

Image& Image::operator=(Image&& other) noexcept {
    if (this != &other) {
        Image moved(std::move(other));
        std::swap(surface_, moved.surface_);
    }
    return *this;
}

Image Image::adopt(cairo_surface_t* surface) {
    Image image;
    if (!surface) {
        return image;
    }
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) {
        cairo_surface_destroy(surface);
        return image;
    }
    cairo_surface_flush(surface);
    image.surface_ = surface;
    return image;
}

int Image::width() const {
    return surface_ ? cairo_image_surface_get_width(surface_) : 0;
}

int Image::height() const {
    return surface_ ? cairo_image_surface_get_height(surface_) : 0;
}

int Image::stride() const {
    return surface_ ? cairo_image_surface_get_stride(surface_) : 0;
}

const unsigned char* Image::data() const {
    return surface_ ? cairo_image_surface_get_data(surface_) : nullptr;
}

std::uint32_t Image::pixel(int x, int y) const {
    if (!surface_ || x < 0 || y < 0 || x >= width() || y >= height()) {
        return 0;
    }
    std::uint32_t word;
    std::memcpy(&word, data() + static_cast<std::size_t>(y) * stride() + 4 * x, sizeof word);
    return word;
}

} // namespace fen::gfx

#include "platform/image/ImageCodec.h"

#include "platform/foundation/WholeFileReader.h"
#include "platform/graphics/BitmapContext.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace fen::gfx {

namespace {

// Keeps a decoded picture within the largest bitmap, scaling both sides alike. A picture of more
// pixels than a decode may make is refused here, from its header: a size of zero stops the loader
// before it allocates the full-size pixels, which most loaders do before any scaling. Some
// loaders (SVG) make a picture of one pixel instead, so the refusal, with the size declared, is
// noted in `refused` too.
void limitSize(GdkPixbufLoader* loader, int width, int height, gpointer refused) {
    if (static_cast<double>(width) * height > ImageCodec::maxPixels) {
        *static_cast<ImageCodec::DecodeFailure*>(refused) = {true, width, height};
        gdk_pixbuf_loader_set_size(loader, 0, 0);
        return;
    }
    const double limit = BitmapContext::maxSide;
    if (width <= limit && height <= limit) {
        return;
    }
    double factor = limit / std::max(width, height);
    int w = std::max(1, static_cast<int>(std::floor(width * factor)));
    int h = std::max(1, static_cast<int>(std::floor(height * factor)));
    gdk_pixbuf_loader_set_size(loader, w, h);
}

std::optional<Image> fromPixbuf(const GdkPixbuf* pixbuf) {
    if (gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB ||
        gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) {
        return std::nullopt;
    }
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const bool hasAlpha = gdk_pixbuf_get_has_alpha(pixbuf);
    if (width <= 0 || height <= 0 || width > BitmapContext::maxSide ||
        height > BitmapContext::maxSide ||
        static_cast<double>(width) * height > ImageCodec::maxPixels ||
        channels < (hasAlpha ? 4 : 3)) {
        return std::nullopt;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return std::nullopt;
    }
    cairo_surface_flush(surface);
    const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
    const int fromStride = gdk_pixbuf_get_rowstride(pixbuf);
    unsigned char* to = cairo_image_surface_get_data(surface);
    const int toStride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        // The last row of a pixbuf may be shorter than the row stride: read pixels only.
        const guchar* p = pixels + static_cast<std::size_t>(y) * fromStride;
        unsigned char* row = to + static_cast<std::size_t>(y) * toStride;
        for (int x = 0; x < width; ++x, p += channels) {
            const std::uint32_t a = hasAlpha ? p[3] : 255;
            const std::uint32_t r = (p[0] * a + 127) / 255;
            const std::uint32_t g = (p[1] * a + 127) / 255;
            const std::uint32_t b = (p[2] * a + 127) / 255;
            const std::uint32_t word = a << 24 | r << 16 | g << 8 | b;
            std::memcpy(row + 4 * static_cast<std::size_t>(x), &word, sizeof word);
        }
    }
    cairo_surface_mark_dirty(surface);
    Image image = Image::adopt(surface);
    if (image.isNull()) {
        return std::nullopt;
    }
    return image;
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

std::optional<Image> ImageCodec::decode(std::string_view bytes, DecodeFailure* failure) {
    if (failure) {
        *failure = {};
    }
    if (bytes.empty()) {
        return std::nullopt;
    }
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    DecodeFailure refusal;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(limitSize), &refusal);
    GError* error = nullptr;
    // Fed in pieces: write() takes a gsize, but some loaders misbehave on huge single writes.
    bool ok = true;
    constexpr std::size_t chunk = 1 << 20;
    for (std::size_t at = 0; ok && at < bytes.size(); at += chunk) {
        const std::size_t n = std::min(chunk, bytes.size() - at);
        ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data() + at), n,
                                     &error);
    }
    g_clear_error(&error);
    // Closing is required even after a failed write; its own failure means a truncated file.
    ok = gdk_pixbuf_loader_close(loader, ok ? &error : nullptr) && ok;
    g_clear_error(&error);
    std::optional<Image> image;
    if (ok && !refusal.tooLarge) {
        if (GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader)) {
            image = fromPixbuf(pixbuf);
        }
    }
    g_object_unref(loader);
    if (!image && failure) {
        *failure = refusal;
    }
    return image;
}

std::optional<Image> ImageCodec::decodeFile(const std::filesystem::path& path) {
    WholeFile file = WholeFileReader::read(path);
    if (!file) {
        return std::nullopt;
    }
    return decode(*file.bytes);
}

std::optional<std::string> ImageCodec::encodePNG(const Image& image) {
    if (image.isNull()) {
        return std::nullopt;
    }
    std::string bytes;
    if (cairo_surface_write_to_png_stream(image.cairoSurface(), appendBytes, &bytes) !=
        CAIRO_STATUS_SUCCESS) {
        return std::nullopt;
    }
    return bytes;
}

bool ImageCodec::writePNG(const Image& image, const std::filesystem::path& path) {
    auto bytes = encodePNG(image);
    if (!bytes) {
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace fen::gfx

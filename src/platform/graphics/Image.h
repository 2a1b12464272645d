#pragma once

#include <cstdint>

typedef struct _cairo_surface cairo_surface_t;

namespace fen::gfx {

// An immutable bitmap image: premultiplied ARGB32 pixels (alpha first, native-endian 32-bit
// words) held in one cairo image surface. Copies share that surface, so an image placed on many
// pages of a PDF is embedded once. Row 0 is the top row of the picture.
class Image {
public:
    // The null image (no pixels); drawing it does nothing.
    Image() = default;
    ~Image();
    Image(const Image& other);
    Image& operator=(const Image& other);
    Image(Image&& other) noexcept;
    Image& operator=(Image&& other) noexcept;

    // Takes over one reference to `surface`, which must be an ARGB32 image surface that nobody
    // draws into any more. A null or failed surface gives the null image.
    static Image adopt(cairo_surface_t* surface);

    bool isNull() const { return surface_ == nullptr; }
    int width() const;
    int height() const;
    int stride() const;
    // The pixel rows, `stride()` bytes apart; null for the null image.
    const unsigned char* data() const;
    // The premultiplied ARGB word at (x, y), row 0 at the top; 0 outside the image.
    std::uint32_t pixel(int x, int y) const;

    // The shared cairo surface, for the graphics and PDF layers (never drawn into).
    cairo_surface_t* cairoSurface() const { return surface_; }

private:
    cairo_surface_t* surface_ = nullptr;
};

} // namespace fen::gfx

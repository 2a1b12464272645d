#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

typedef struct _cairo_surface cairo_surface_t;

namespace fen::gfx {

// A drawing context over a bitmap of its own: premultiplied ARGB32 pixels, cleared to
// transparent, one unit per pixel, origin at the bottom left with y up.
class BitmapContext : public Context {
public:
    // The largest width or height, in pixels, that a bitmap may have.
    static constexpr double maxSide = 32767;

    // A bitmap of `width` × `height` pixels (each truncated to an integer); none when a side is
    // not finite, not at least one pixel, above `maxSide`, or when memory runs out.
    static std::unique_ptr<BitmapContext> create(double width, double height);
    // The same, its pixels in memory mapped for this bitmap alone, which goes back to the system
    // as soon as the bitmap and every image taken from it are gone. For big pictures made on one
    // thread and let go of on another, which would otherwise leave their room unused in the
    // making thread's allocator.
    static std::unique_ptr<BitmapContext> createMapped(double width, double height);
    ~BitmapContext() override;

    int pixelWidth() const { return width_; }
    int pixelHeight() const { return height_; }

    // An immutable copy of the pixels drawn so far.
    Image makeImage() const;
    // The pixels drawn, as an image without a copy: the bitmap is done with.
    static Image takeImage(std::unique_ptr<BitmapContext> bitmap);

    // Hands every row of pixels to `edit`, the top row of the picture (y = 0) first, for
    // pictures made pixel by pixel: `row` holds pixelWidth() premultiplied ARGB32 words (alpha in
    // the top byte), showing what was drawn so far; what `edit` writes there is part of the
    // bitmap from then on.
    void editPixelRows(const std::function<void(int y, std::span<std::uint32_t> row)>& edit);

private:
    BitmapContext(cairo_surface_t* surface, cairo_t* cr, int width, int height);
    static std::unique_ptr<BitmapContext> over(cairo_surface_t* surface, int width, int height);

    cairo_surface_t* surface_;
    int width_;
    int height_;
};

} // namespace fen::gfx

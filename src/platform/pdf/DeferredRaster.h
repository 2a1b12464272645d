#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"

#include <functional>

namespace fen::pdf {

// A picture that a page draws while its document is written but that is costly to make (a whole
// page flattened into a bitmap). During a write its pixels are painted later, on the write's
// worker threads, several pages at a time, into a bitmap that each worker reuses, and stored as
// an opaque RGB image compressed at a fast level: painting and compressing such pictures is what
// a flattening write spends its time on.
class DeferredRaster {
public:
    // Paints the picture into a context over a white bitmap of the requested pixel size (one unit
    // per pixel, origin at the bottom left, y up). False when the picture cannot be made.
    using Painter = std::function<bool(gfx::Context& bitmap)>;

    // Draws the picture of `pixelWidth` × `pixelHeight` pixels that `painter` paints, upright and
    // stretched to `rect` of `ctx`'s user space, with the context's transform at the moment of
    // the call. Nothing for a size below one pixel or above 32767 pixels a side.
    // - On a context that records a page of a write, the painter runs later on another thread,
    //   before the write finishes; it must only read what stays unchanged until then. Clips and
    //   alpha of the context do not apply to the picture; a painter that fails (or a bitmap that
    //   cannot be had) fails the write, so no page is written without its picture.
    // - On any other context the painter runs now and its picture is drawn through the context.
    static void draw(gfx::Context& ctx, const gfx::Rect& rect, int pixelWidth, int pixelHeight,
                     Painter painter);

    static constexpr int maxSide = 32767;
};

} // namespace fen::pdf

#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

#include <functional>

namespace fen::pdf {

// A picture that a page draws while its document is written but that is costly to make (a whole
// page flattened into a bitmap). During a write its pixels are made later, on the write's worker
// threads, several pages at a time, and stored as an opaque RGB image compressed at a fast level:
// making and compressing such pictures is what a flattening write spends its time on.
class DeferredRaster {
public:
    // Makes the picture; the null image when it cannot be made.
    using Painter = std::function<gfx::Image()>;

    // Draws the picture that `painter` makes, upright and stretched to `rect` of `ctx`'s user
    // space, with the context's transform at the moment of the call.
    // - On a context that records a page of a write, the painter runs later on another thread,
    //   before the write finishes; it must only read what stays unchanged until then. The picture
    //   is written at its pixel size and composited on white (its transparent parts are white),
    //   clips and alpha of the context do not apply to it, and a null picture draws nothing.
    // - On any other context the painter runs now and its picture is drawn as it is.
    static void draw(gfx::Context& ctx, const gfx::Rect& rect, Painter painter);
};

} // namespace fen::pdf

#pragma once

#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/Geometry.h"

#include <memory>

namespace fen {

// The transform that maps the page as a reader sees it onto the page's own space, for a page
// rotation (clockwise, as /Rotate gives it) of 0, 90, 180 or 270 degrees: `rect` is the page as
// seen (width and height swapped for 90 and 270), and its origin is moved to (0, 0) first. It is
// concatenated to the context's current transform, so drawing in the seen rectangle stands upright
// on the turned page. Other positive rotations only move the origin; zero and negative ones
// likewise.
gfx::AffineTransform pageRotationTransform(double rotation, const gfx::Rect& rect);
void applyPageRotation(gfx::Context& context, double rotation, const gfx::Rect& rect);

// A bitmap context of `width` × `height` pixels (each truncated to an integer), premultiplied
// alpha; none when a side is not finite, below one pixel or above 32767 pixels.
std::unique_ptr<gfx::BitmapContext> makeBitmapContext(double width, double height);

// A bitmap context of floor(width × scale) × floor(height × scale) pixels; none as above. The
// context's transform is not scaled: callers scale their drawing themselves.
std::unique_ptr<gfx::BitmapContext> makeScaledBitmapContext(double scale, double width,
                                                            double height);

} // namespace fen

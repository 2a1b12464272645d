#pragma once

#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/Geometry.h"

#include <cstddef>
#include <memory>
#include <string_view>

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

// The most characters a stamp, text or page-number watermark draws: as many as the window's text
// fields take (Qt's line edit, 32767). Only a stored preset, an imported list or the command line
// bring a longer text, and laying one of megabytes out takes gigabytes.
inline constexpr std::size_t maximumWatermarkTextLength = 32767;

// `text` cut after its first maximumWatermarkTextLength characters (Unicode code points), never
// inside one; the whole text when it is not longer.
std::string_view drawnWatermarkText(std::string_view text);

} // namespace fen

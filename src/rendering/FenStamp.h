#pragma once

#include "model/Positions.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

namespace fen {

// Places the prepared stamp bitmap on a page.
class FenStamp {
public:
    // Draws `image` (the null image draws nothing) at `position` inside the page rectangle
    // `rect`, 10 points from the edges (horizontally centred placements lie 10 points right of the
    // centre; the other placements put it at the bottom-left corner with no margin). At `scale` 1
    // the stamp's longer side equals the page's shorter side. `angle` is the page rotation in
    // degrees; the stamp's own turn and opacity are already in the bitmap.
    static void drawStamp(const gfx::Image& image, Positions position, gfx::Context& context,
                          double angle, double scale, const gfx::Rect& rect);
};

} // namespace fen

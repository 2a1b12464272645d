#pragma once

#include "model/Positions.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Font.h"

namespace fen {

// Draws the text watermark of a page: the selected text at one of the named placements, 10
// points from the page edges, horizontally centred placements 10 points right of the true
// centre; the diagonal one turned 45 degrees about the page centre, the triple one three times.
class FenText {
public:
    // The attributes of a text watermark, as a string without text (set `text` to use it): an
    // outlined text is stroked in `color` at a stroke width of 4 and not filled, any other text
    // is filled with `color`. Opacity travels in the colour's alpha.
    static text::AttributedString textAttributes(const text::Font& font, const gfx::Color& color,
                                                 bool isOutlined);

    // Draws `string` at `position` inside the page rectangle `rect`, turned with the page by
    // `rotation` degrees, measured against the rectangle's size. Placements the text drawer does
    // not know (none, the odd and even page ones) put the text at the top-left corner of the
    // rectangle without a margin. A text past maximumWatermarkTextLength is drawn cut there
    // (DrawingHelpers.h). The caller saves and restores the graphics state around it.
    static void drawText(const gfx::Rect& rect, const text::AttributedString& string,
                         Positions position, gfx::Context& context, double rotation);
};

} // namespace fen

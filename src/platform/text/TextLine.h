#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/text/AttributedString.h"

namespace fen::text {

// A string set on one line, never wrapped (the stamp's text lines), for drawing
// at a text position in a y-up space: the position is the start of the baseline.
class TextLine {
public:
    explicit TextLine(AttributedString string);

    // The rectangle the glyphs' ink covers, y up, relative to the text position.
    gfx::Rect imageBounds() const;
    // The advance width and the font's ascent and descent (both positive), in points.
    double typographicWidth() const;
    double ascent() const;
    double descent() const;

    // Draws the line with its baseline starting at `textPosition` of the context's y-up space.
    void draw(gfx::Context& context, const gfx::Point& textPosition) const;

    const AttributedString& string() const { return string_; }

private:
    AttributedString string_;
    gfx::Rect ink_;
    double width_ = 0, ascent_ = 0, descent_ = 0;
};

} // namespace fen::text

#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/text/Font.h"

#include <optional>
#include <string>

namespace fen::text {

// Text with the attributes the drawers use: one font, a foreground colour, a stroke colour and a
// stroke width for the whole string. The stroke width is in per cent of the point size: 0 fills
// the glyphs, a positive width draws their outline only (transparent inside), a negative width
// fills and outlines. Without a foreground colour the text is black; without a stroke colour
// the outline takes the foreground colour.
struct AttributedString {
    std::string text; // UTF-8
    Font font;
    std::optional<gfx::Color> foregroundColor;
    std::optional<gfx::Color> strokeColor;
    double strokeWidth = 0;

    // The size the text needs within `maximum` (width, height): lines wrap at words (at
    // characters inside a word too long for a line) and the last line that fits is cut short
    // with an ellipsis. A limit that is not above 0 or not finite is no limit. When the text is
    // truncated, the width is the whole maximum width.
    gfx::Size boundingSize(const gfx::Size& maximum) const;
    // The size of the text on one line per paragraph, unlimited.
    gfx::Size size() const;

    // Draws the text laid out as boundingSize lays it out for the rectangle's size, with the
    // rectangle's top-left corner at (x, y) of a y-down space (drawers flip their context first).
    // Lines that do not fit are dropped, the last shown one cut short with an ellipsis.
    void draw(gfx::Context& context, const gfx::Rect& rect) const;
    // The same into the current context of this thread; nothing when there is none.
    void draw(const gfx::Rect& rect) const;
    // Draws the text unlimited with its top-left corner at `point` of a y-down space.
    void draw(gfx::Context& context, const gfx::Point& point) const;
    void draw(const gfx::Point& point) const;
};

} // namespace fen::text

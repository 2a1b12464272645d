#pragma once

#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/text/AttributedString.h"

#include <optional>
#include <string>

namespace fen {

// Builds the stamp bitmap: the stamp text in a rounded frame, with an optional name line and an
// optional date line under it, all in one colour, turned by the stamp's angle. The bitmap's longer
// side is 2000 pixels, unless the stamp would then be less than one pixel high (a text of some
// thousands of characters): it is one pixel high then, in a bitmap as large as that takes. Outside
// the frame and the text it is transparent.
class FenStampImageBuilder {
public:
    // The stamp bitmap for `text` (already in capitals), the optional lines, the ink `color` (its
    // alpha is the stamp's opacity) and `angle` in degrees (positive = counter-clockwise). The
    // null image when the text is empty or blank, its font is missing, or no bitmap can be made;
    // `tooLongToDraw`, when given, is set when the text has ink but its picture, one pixel high,
    // would need a bitmap larger than may be made (a side above 32767 pixels, or more than
    // 16,000,000 pixels in all, four times a 2000 × 2000 one). With `steepestAngle`, the stamp
    // is judged too long also when it would be so turned by that angle: a stamp whose angle is
    // drawn at random is then drawn or left out whatever its angle.
    static gfx::Image buildStampImage(const std::string& text,
                                      const std::optional<std::string>& name,
                                      const std::optional<std::string>& date,
                                      const gfx::Color& color, double angle,
                                      bool* tooLongToDraw = nullptr,
                                      std::optional<double> steepestAngle = std::nullopt);

    // The stamp text in "Helvetica Neue Bold" at 800 points in `color`; none without that font.
    static std::optional<text::AttributedString> stampAttributedString(const std::string& text,
                                                                       const gfx::Color& color);
    // A name or date line in "Helvetica Neue" at `size` points; none for an absent text or
    // without that font.
    static std::optional<text::AttributedString>
    dateAttributedString(const std::optional<std::string>& text, const gfx::Color& color,
                         double size);

    // Fills the frame ring: the rounded rectangle `frame` (corner radius 150) less its inset by
    // 0.4 × `margin`. Radii are clamped to half the shorter side of each rectangle.
    static void borderPath(const gfx::Color& color, const gfx::Rect& frame, double margin,
                           gfx::Context& context);

    // Draws one small line (at `lineHeight` points, the size its font was asked for) centred
    // under the stamp text, in the band that starts `offset` above the frame's inner bottom
    // (`origin` is the frame's corner, `margin` the inner margin) and is `lineHeight` high and
    // `stampTextWidth` wide.
    static void drawDateText(const text::AttributedString& line, double offset, double lineHeight,
                             double stampTextWidth, const gfx::Point& origin, double margin,
                             gfx::Context& context);

    // Draws the whole stamp, frame of size `frame`, turned by `angle` degrees and scaled by
    // `scale` about the bitmap's centre: the name line at the bottom, the date line above it and
    // the stamp text on top.
    static void drawStampText(const text::AttributedString& stamp,
                              const std::optional<text::AttributedString>& name,
                              const std::optional<text::AttributedString>& date,
                              const gfx::Size& frame, double margin, double angle, double scale,
                              double lineHeight, gfx::BitmapContext& context);
};

} // namespace fen

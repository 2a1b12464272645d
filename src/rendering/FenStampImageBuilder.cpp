#include "rendering/FenStampImageBuilder.h"

#include "platform/text/Font.h"
#include "platform/text/TextLine.h"
#include "rendering/DrawingHelpers.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>

namespace fen {

namespace {

constexpr double kStampFontSize = 800;
constexpr double kCornerRadius = 150;
constexpr double kLongerSide = 2000;
// The most pixels a stamp bitmap may have (64 MB), four times a 2000 × 2000 one: a long stamp
// turned by its angle, one pixel high, needs a bitmap as high as its turn makes it, and the
// window builds it anew at every change.
constexpr double kMostPixels = 4 * kLongerSide * kLongerSide;

double radiansOf(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

// A pixel count from a computed side: sides meant to be exactly 2000 may come out a hair below
// through rounding, which must not cost a whole pixel.
double pixelSide(double side) {
    return std::floor(side + 1e-6);
}

// Pango measures in integer units of 1/1024 point, so a line wider than about two million points
// (some 2,700 capitals at the stamp's 800 points) wraps round to a wrong or negative width.
// Widths are kept to half that range: a line of n characters is laid out at a size where even
// glyphs 8 em wide stay within it, and scaled to its own size where it is drawn.
constexpr double kSafeLineExtent = 1'000'000;
constexpr double kWidestAdvance = 8;

// A text line at `size` points (`string`'s font may be capped below that), measured and drawn in a
// y-up space as text::TextLine does, but laid out at a smaller size and scaled up when its own
// size could leave pango's range.
class ScaledLine {
public:
    ScaledLine(const text::AttributedString& string, double size) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(string.text.data());
        double characters = 0;
        for (std::size_t i = 0; i < string.text.size(); ++i) {
            characters += (bytes[i] & 0xC0) != 0x80;
        }
        const double laidSize =
            std::min(size, kSafeLineExtent / (kWidestAdvance * std::max(characters, 1.0)));
        factor_ = size / laidSize;
        text::AttributedString laid = string;
        laid.font = string.font.withSize(laidSize);
        line_.emplace(std::move(laid));
    }

    gfx::Rect imageBounds() const {
        const gfx::Rect b = line_->imageBounds();
        return {b.x * factor_, b.y * factor_, b.width * factor_, b.height * factor_};
    }

    void draw(gfx::Context& context, const gfx::Point& textPosition) const {
        context.saveGState();
        context.translateBy(textPosition.x, textPosition.y);
        context.scaleBy(factor_, factor_);
        line_->draw(context, gfx::Point{0, 0});
        context.restoreGState();
    }

private:
    std::optional<text::TextLine> line_;
    double factor_ = 1;
};

// True when the text has no character but white space (or is empty): such a stamp would be a
// frame around nothing.
bool isBlank(const std::string& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0 || !(u_isUWhiteSpace(c) || u_iscntrl(c))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<text::AttributedString>
FenStampImageBuilder::stampAttributedString(const std::string& text, const gfx::Color& color) {
    std::optional<text::Font> font = text::Font::named("Helvetica Neue Bold", kStampFontSize);
    if (!font) {
        return std::nullopt;
    }
    text::AttributedString s;
    s.text = text;
    s.font = *font;
    s.foregroundColor = color;
    return s;
}

std::optional<text::AttributedString>
FenStampImageBuilder::dateAttributedString(const std::optional<std::string>& text,
                                           const gfx::Color& color, double size) {
    if (!text) {
        return std::nullopt;
    }
    std::optional<text::Font> font = text::Font::named("Helvetica Neue", size);
    if (!font) {
        return std::nullopt;
    }
    text::AttributedString s;
    s.text = *text;
    s.font = *font;
    s.foregroundColor = color;
    return s;
}

void FenStampImageBuilder::borderPath(const gfx::Color& color, const gfx::Rect& frame,
                                      double margin, gfx::Context& context) {
    const double t = 0.4 * margin;
    const gfx::Rect inner{frame.x + t, frame.y + t, frame.width - 2 * t, frame.height - 2 * t};
    const double innerRadius = kCornerRadius - t / 2;
    context.saveGState();
    context.beginPath();
    // The context clamps each radius to half the shorter side of its rectangle, so a small frame
    // stays a rounded rectangle instead of a self-crossing path.
    context.addRoundedRect(frame, kCornerRadius, kCornerRadius);
    context.addReversedRoundedRect(inner, innerRadius, innerRadius);
    context.setFillColor(color);
    context.fillPath();
    context.restoreGState();
}

void FenStampImageBuilder::drawDateText(const text::AttributedString& line, double offset,
                                        double lineHeight, double stampTextWidth,
                                        const gfx::Point& origin, double margin,
                                        gfx::Context& context) {
    const ScaledLine textLine(line, lineHeight);
    const gfx::Rect b = textLine.imageBounds();
    const double bandY = origin.y + margin + offset;
    context.saveGState();
    context.clipToRect(gfx::Rect{origin.x + margin, bandY, stampTextWidth, lineHeight});
    const double x = origin.x + margin + (stampTextWidth - b.width) * 0.5;
    const double y = bandY - b.y + 2 + (lineHeight - (b.height + 4)) * 0.5;
    textLine.draw(context, gfx::Point{x, y});
    context.restoreGState();
}

void FenStampImageBuilder::drawStampText(const text::AttributedString& stamp,
                                         const std::optional<text::AttributedString>& name,
                                         const std::optional<text::AttributedString>& date,
                                         const gfx::Size& frame, double margin, double angle,
                                         double scale, double lineHeight,
                                         gfx::BitmapContext& context) {
    context.setShouldAntialias(true);
    context.setInterpolationQuality(gfx::InterpolationQuality::high);
    const gfx::Color ink = stamp.foregroundColor.value_or(gfx::Color{0, 0, 0, 1});
    const ScaledLine stampLine(stamp, stamp.font.pointSize());
    const gfx::Rect stampBounds = stampLine.imageBounds();
    const double textWidth = stampBounds.width;

    const double pw = context.pixelWidth();
    const double ph = context.pixelHeight();
    context.translateBy(pw / 2, ph / 2);
    context.rotateBy(radiansOf(angle));
    context.translateBy(-pw / 2, -ph / 2);
    context.translateBy(pw / 2, ph / 2);
    context.scaleBy(scale, scale);
    context.translateBy(-pw / 2, -ph / 2);

    const double w = frame.width;
    const double h = frame.height;
    const double ox = (pw - w) * 0.5;
    const double oy = (ph - h) * 0.5;
    borderPath(ink, gfx::Rect{ox, oy, w, h}, margin, context);

    double y0 = 0;
    if (name) {
        drawDateText(*name, 0, lineHeight, textWidth, gfx::Point{ox, oy}, margin, context);
        y0 = margin * 0.5 + lineHeight - (date ? margin * 0.25 : 0);
    }
    if (date) {
        drawDateText(*date, y0, lineHeight, textWidth, gfx::Point{ox, oy}, margin, context);
        y0 += margin * 0.5 + lineHeight;
    }

    context.saveGState();
    stampLine.draw(context,
                   gfx::Point{ox + margin - stampBounds.x, oy + margin + y0 - stampBounds.y});
    context.restoreGState();
}

gfx::Image FenStampImageBuilder::buildStampImage(const std::string& text,
                                                 const std::optional<std::string>& name,
                                                 const std::optional<std::string>& date,
                                                 const gfx::Color& color, double angle,
                                                 bool* tooLongToDraw,
                                                 std::optional<double> steepestAngle) {
    if (tooLongToDraw) {
        *tooLongToDraw = false;
    }
    if (isBlank(text)) {
        return {};
    }
    std::optional<text::AttributedString> stamp = stampAttributedString(text, color);
    if (!stamp || !std::isfinite(angle)) {
        return {};
    }
    const gfx::Rect bounds = ScaledLine(*stamp, stamp->font.pointSize()).imageBounds();
    const double tw = bounds.width;
    const double th = bounds.height;
    // An empty or blank text has no ink: there is nothing to frame, and the scale to 2000
    // pixels would be infinite.
    if (!(tw > 0) || !(th > 0)) {
        return {};
    }
    const double f = (tw + th) / 2500 * 130;
    const double m = th * 0.5;

    std::optional<text::AttributedString> nameLine = dateAttributedString(name, color, f);
    std::optional<text::AttributedString> dateLine = dateAttributedString(date, color, f);

    const double w = tw + 2 * m;
    double h = th + 2 * m;
    if (nameLine) {
        h += m * 0.5 + f - (dateLine ? m * 0.25 : 0);
    }
    if (dateLine) {
        h += m * 0.5 + f;
    }

    // The bitmap's longer side at 2000 pixels, unless that leaves the stamp itself less than a
    // pixel high (a text of thousands of characters): it is then drawn one pixel high, in a
    // bitmap as large as that takes, within a side's and the pixel count's bounds.
    const auto turnedBy = [&](double degrees) {
        return gfx::AffineTransform::rotation(radiansOf(degrees)).apply(gfx::Rect{0, 0, w, h});
    };
    const auto scaleFor = [&](const gfx::Rect& turned) {
        return std::max(std::min(kLongerSide / turned.width, kLongerSide / turned.height),
                        1 / std::min(w, h));
    };
    const auto fits = [&](const gfx::Rect& turned) {
        const double k = scaleFor(turned);
        return pixelSide(turned.width * k) * pixelSide(turned.height * k) <= kMostPixels &&
               pixelSide(turned.width * k) <= gfx::BitmapContext::maxSide &&
               pixelSide(turned.height * k) <= gfx::BitmapContext::maxSide;
    };
    const gfx::Rect turned = turnedBy(angle);
    const double k = scaleFor(turned);
    std::unique_ptr<gfx::BitmapContext> bitmap;
    if (fits(turned) && (!steepestAngle || fits(turnedBy(*steepestAngle)))) {
        bitmap = makeBitmapContext(pixelSide(turned.width * k), pixelSide(turned.height * k));
    }
    if (!bitmap) {
        if (tooLongToDraw) {
            *tooLongToDraw = true;
        }
        return {};
    }
    drawStampText(*stamp, nameLine, dateLine, gfx::Size{w, h}, m, angle, k, f, *bitmap);
    return bitmap->makeImage();
}

} // namespace fen

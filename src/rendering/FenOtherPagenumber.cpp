#include "rendering/FenOtherPagenumber.h"

#include "rendering/DrawingHelpers.h"
#include "rendering/FontResolution.h"
#include "rendering/PagenumberStringConverter.h"

#include <limits>
#include <string_view>

namespace fen {

namespace {

// a − b + c without overflow: page numbers come from stored records that nothing checks, so
// extreme values stay at the ends of the range instead of wrapping.
std::int64_t offsetNumber(std::int64_t a, std::int64_t b, std::int64_t c) {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(a, b, &difference)) {
        return b > 0 ? std::numeric_limits<std::int64_t>::min()
                     : std::numeric_limits<std::int64_t>::max();
    }
    std::int64_t result = 0;
    if (__builtin_add_overflow(difference, c, &result)) {
        return c > 0 ? std::numeric_limits<std::int64_t>::max()
                     : std::numeric_limits<std::int64_t>::min();
    }
    return result;
}

// The flip that makes y count down from the top of a rectangle of height `height`.
gfx::AffineTransform flipFor(double height) {
    return {1, 0, 0, -1, 0, height};
}

} // namespace

text::AttributedString FenOtherPagenumber::makePageNumberAttributedString(
    const std::string& format, std::optional<std::int64_t> pageNumber,
    std::optional<std::int64_t> total, const text::Font& font, const gfx::Color& color,
    OtherStyles style, std::int64_t fromPage, std::int64_t toPage, std::int64_t startAt) {
    std::int64_t page = pageNumber.value_or(1);
    std::int64_t current = offsetNumber(page, fromPage, startAt);
    std::int64_t last = offsetNumber(toPage, fromPage, startAt);
    text::AttributedString string;
    string.text = PagenumberStringConverter::formatPageNumberText(
        current, total.value_or(1), last, std::string(drawnWatermarkText(format)), style);
    string.font = font;
    string.foregroundColor = color;
    return string;
}

void FenOtherPagenumber::drawPageNumber(const gfx::Rect& rect,
                                        const std::optional<std::string>& format,
                                        const std::optional<PageNumberSettings>& settings,
                                        std::optional<std::int64_t> pageNumber,
                                        gfx::Context& context, double rotation) {
    context.saveGState();
    if (format && settings) {
        const FontSetting& fontSetting = settings->font;
        auto size = static_cast<double>(fontSetting.size);
        text::Font font = resolvedFont(fontSetting.familyname, fontSetting.style, size)
                              .value_or(text::Font::systemFont(size));
        gfx::Color color = settings->numberTextColor ? settings->numberTextColor->stampColor
                                                     : gfx::Color{0, 0, 0, 1};
        std::int64_t page = pageNumber.value_or(1);
        const PageNumberConfiguration& range = settings->pagenumberConf;
        text::AttributedString string = makePageNumberAttributedString(
            *format, page, range.toPage, font, color, settings->style, range.fromPage, range.toPage,
            range.startAt);
        if (range.fromPage <= page && page <= range.toPage) {
            drawPageNumberAtPlacement(string, page, settings->position, context, rotation,
                                      static_cast<double>(settings->distanceToEdge.vertical),
                                      static_cast<double>(settings->distanceToEdge.horizontal),
                                      rect);
        }
    }
    context.restoreGState();
}

void FenOtherPagenumber::drawPageNumberAtPlacement(const text::AttributedString& string,
                                                   std::int64_t pageNumber, Positions position,
                                                   gfx::Context& context, double rotation,
                                                   double vertical, double horizontal,
                                                   const gfx::Rect& rect) {
    const double W = rect.width;
    const double H = rect.height;
    gfx::Size measured = string.boundingSize({W, H});
    const double w = measured.width;
    const double t = measured.height;
    const bool odd = pageNumber % 2 != 0;

    const double left = 10 + horizontal;
    const double right = W - w - 10 - horizontal;
    const double centre = (W - w) * 0.5 + 10;
    const double top = 10 + vertical;
    const double bottom = H - t - 10 - vertical;

    std::string_view key = localizationKey(position);
    double x = 0;
    double y = 0;
    if (key == "placement_top_left") {
        x = left, y = top;
    } else if (key == "placement_top_center") {
        x = centre, y = top;
    } else if (key == "placement_top_right") {
        x = right, y = top;
    } else if (key == "placement_oddTopRight") {
        x = odd ? right : left, y = top;
    } else if (key == "placement_oddTopLeft") {
        x = odd ? left : right, y = top;
    } else if (key == "placement_bottom_left") {
        x = left, y = bottom;
    } else if (key == "placement_bottom_center") {
        x = centre, y = bottom;
    } else if (key == "placement_bottom_right") {
        x = right, y = bottom;
    } else if (key == "placement_oddBottomRight") {
        x = odd ? right : left, y = bottom;
    } else if (key == "placement_oddBottomLeft") {
        x = odd ? left : right, y = bottom;
    } else if (key == "placement_middle") {
        x = centre, y = (H - t) * 0.5;
    }

    gfx::pushContext(context);
    applyPageRotation(context, rotation, rect);
    if (H > 0) {
        context.concatCTM(flipFor(H));
    }
    string.draw(gfx::Rect{x, y, w, t});
    gfx::popContext();
}

gfx::Image FenOtherPagenumber::renderPageNumberImage(const std::string& format,
                                                     const text::Font& font,
                                                     const gfx::Color& color, OtherStyles style,
                                                     std::int64_t n) {
    text::Font previewFont = text::Font::named(font.fontName(), 100).value_or(font);
    text::AttributedString string =
        makePageNumberAttributedString(format, 1, n, previewFont, color, style, 1, n, 1);
    gfx::Size size = string.boundingSize({1000, 1000});
    auto bitmap = makeBitmapContext(size.width, size.height);
    if (!bitmap) {
        return {};
    }
    const double height = bitmap->pixelHeight();
    if (height >= 1) {
        bitmap->concatCTM(flipFor(height));
    }
    gfx::pushContext(*bitmap);
    string.draw(gfx::Point{0, 0});
    gfx::popContext();
    return bitmap->makeImage();
}

} // namespace fen

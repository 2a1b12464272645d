#include "rendering/DrawingHelpers.h"

#include <cmath>
#include <numbers>
#include <string>

namespace fen {

namespace {

double radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

} // namespace

gfx::AffineTransform pageRotationTransform(double rotation, const gfx::Rect& rect) {
    using gfx::AffineTransform;
    AffineTransform t = AffineTransform::identity();
    // A viewer turns the page clockwise by `rotation`; the seen rectangle is turned back by as
    // much counter-clockwise (positive angles) onto the page's space.
    if (rotation == 90) {
        t = AffineTransform::rotation(radians(90)).translatedBy(0, -rect.height);
    } else if (rotation == 180) {
        t = AffineTransform::rotation(radians(180)).translatedBy(-rect.width, -rect.height);
    } else if (rotation == 270) {
        t = AffineTransform::rotation(radians(-90)).translatedBy(-rect.width, 0);
    } else if (rotation > 0) {
        t = AffineTransform::rotation(radians(0)).translatedBy(0, 0);
    }
    return t.translatedBy(-rect.x, -rect.y);
}

void applyPageRotation(gfx::Context& context, double rotation, const gfx::Rect& rect) {
    context.concatCTM(pageRotationTransform(rotation, rect));
}

std::unique_ptr<gfx::BitmapContext> makeBitmapContext(double width, double height) {
    return gfx::BitmapContext::create(width, height);
}

std::unique_ptr<gfx::BitmapContext> makeScaledBitmapContext(double scale, double width,
                                                            double height) {
    return gfx::BitmapContext::create(std::floor(width * scale), std::floor(height * scale));
}

std::string_view drawnWatermarkText(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        // Each byte that is not a UTF-8 continuation byte starts a character.
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 &&
            ++characters > maximumWatermarkTextLength) {
            return text.substr(0, at);
        }
    }
    return text;
}

} // namespace fen

#include "rendering/FenText.h"

#include "rendering/DrawingHelpers.h"

#include <numbers>
#include <optional>
#include <string>
#include <string_view>

namespace fen {

text::AttributedString FenText::textAttributes(const text::Font& font, const gfx::Color& color,
                                               bool isOutlined) {
    text::AttributedString attributes;
    attributes.font = font;
    if (isOutlined) {
        attributes.strokeColor = color;
        attributes.strokeWidth = 4;
    } else {
        attributes.foregroundColor = color;
    }
    return attributes;
}

void FenText::drawText(const gfx::Rect& rect, const text::AttributedString& whole,
                       Positions position, gfx::Context& context, double rotation) {
    const std::string_view drawn = drawnWatermarkText(whole.text);
    std::optional<text::AttributedString> cut;
    if (drawn.size() < whole.text.size()) {
        cut = text::AttributedString{std::string(drawn), whole.font, whole.foregroundColor,
                                     whole.strokeColor, whole.strokeWidth};
    }
    const text::AttributedString& string = cut ? *cut : whole;
    const double W = rect.width;
    const double H = rect.height;
    gfx::Size measured = string.boundingSize({W, H});
    const double w = measured.width;
    const double h = measured.height;

    const double centre = (W - w) * 0.5 + 10;
    std::string_view key = localizationKey(position);
    double px = 0;
    double py = 0;
    if (key == "placement_top_left") {
        px = 10, py = 10;
    } else if (key == "placement_top_center") {
        px = centre, py = 10;
    } else if (key == "placement_top_right") {
        px = W - w - 10, py = 10;
    } else if (key == "placement_bottom_left") {
        px = 10, py = H - h - 10;
    } else if (key == "placement_bottom_center") {
        px = centre, py = H - h - 10;
    } else if (key == "placement_bottom_right") {
        px = W - w - 10, py = H - h - 10;
    } else if (key == "placement_middle" || key == "placement_diagonal") {
        px = centre, py = (H - h) * 0.5;
    }

    gfx::pushContext(context);
    applyPageRotation(context, rotation, rect);
    if (H > 0) {
        context.concatCTM({1, 0, 0, -1, 0, H});
    }
    if (key == "placement_tripple") {
        for (double y : {10.0, (H - h) * 0.5, H - h - 10}) {
            string.draw(gfx::Rect{centre, y, w, h});
        }
    } else {
        if (key == "placement_diagonal") {
            context.translateBy(W * 0.5, H * 0.5);
            context.rotateBy(-std::numbers::pi / 4);
            context.translateBy(-W * 0.5, -H * 0.5);
        }
        string.draw(gfx::Rect{px, py, w, h});
    }
    gfx::popContext();
}

} // namespace fen

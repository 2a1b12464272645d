#include "rendering/FenStamp.h"

#include "rendering/DrawingHelpers.h"

#include <algorithm>
#include <string_view>

namespace fen {

namespace {

// Space between a placed stamp and the page edges, in points.
constexpr double kEdgeMargin = 10;

} // namespace

void FenStamp::drawStamp(const gfx::Image& image, Positions position, gfx::Context& context,
                         double angle, double scale, const gfx::Rect& rect) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        return;
    }
    const double iw = image.width();
    const double ih = image.height();
    const double W = rect.width;
    const double H = rect.height;
    const double q = std::min(W, H) / std::max(iw, ih) * scale;
    const double dw = q * iw;
    const double dh = q * ih;

    const std::string_view key = localizationKey(position);
    const double centreX = (W - dw) * 0.5 + kEdgeMargin;
    const double right = W - dw - kEdgeMargin;
    const double top = H - dh - kEdgeMargin;
    double x = 0;
    double y = 0;
    if (key == "placement_bottom_left") {
        x = kEdgeMargin;
        y = kEdgeMargin;
    } else if (key == "placement_bottom_center") {
        x = centreX;
        y = kEdgeMargin;
    } else if (key == "placement_bottom_right") {
        x = right;
        y = kEdgeMargin;
    } else if (key == "placement_top_left") {
        x = kEdgeMargin;
        y = top;
    } else if (key == "placement_top_center") {
        x = centreX;
        y = top;
    } else if (key == "placement_top_right") {
        x = right;
        y = top;
    } else if (key == "placement_middle") {
        x = centreX;
        y = (H - dh) * 0.5;
    }

    context.saveGState();
    applyPageRotation(context, angle, rect);
    context.drawImage(image, gfx::Rect{x, y, dw, dh});
    context.restoreGState();
}

} // namespace fen

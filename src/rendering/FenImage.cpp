#include "rendering/FenImage.h"

#include "rendering/DrawingHelpers.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

namespace fen {

namespace {

// The corner of the turned footprint (bw × bh) for a placement, and the signs with which the
// distances to the edges move it.
struct Placement {
    double x = 0, y = 0;
    double xSign = 1, ySign = 1;
};

Placement placementFor(Positions position, double pageWidth, double pageHeight, double bw,
                       double bh) {
    const std::string_view key = localizationKey(position);
    const double centreX = (pageWidth - bw) * 0.5;
    const double right = pageWidth - bw;
    const double top = pageHeight - bh;
    if (key == "placement_top_left") {
        return {0, top, 1, -1};
    }
    if (key == "placement_top_center") {
        return {centreX, top, 1, -1};
    }
    if (key == "placement_top_right") {
        return {right, top, -1, -1};
    }
    if (key == "placement_middle") {
        return {centreX, (pageHeight - bh) * 0.5, 1, 1};
    }
    if (key == "placement_bottom_center") {
        return {centreX, 0, 1, 1};
    }
    if (key == "placement_bottom_right") {
        return {right, 0, -1, 1};
    }
    return {0, 0, 1, 1};
}

// Sets up the context so that the drawn size (dw × dh) lies, turned about its centre, with its
// turned bounding box at the placement; then scales by `scale`, so the caller draws the source at
// its unscaled size from the origin.
void placeDrawnSize(double scale, double alpha, double angle, double vertical, double horizontal,
                    const gfx::Rect& rect, double dw, double dh, Positions position,
                    gfx::Context& context, double rotation) {
    const double radians = angle * std::numbers::pi / 180.0;
    const gfx::Rect footprint =
        gfx::AffineTransform::rotation(radians).apply(gfx::Rect{0, 0, dw, dh});
    const double bw = footprint.width;
    const double bh = footprint.height;
    const Placement p = placementFor(position, rect.width, rect.height, bw, bh);

    applyPageRotation(context, rotation, rect);
    context.setAlpha(alpha);
    context.translateBy(p.xSign * horizontal + (bw - dw) * 0.5 + p.x,
                        p.ySign * vertical + (bh - dh) * 0.5 + p.y);
    context.translateBy(dw * 0.5, dh * 0.5);
    context.rotateBy(radians);
    context.translateBy(-dw * 0.5, -dh * 0.5);
    context.scaleBy(scale, scale);
}

} // namespace

void FenImage::drawImageWatermark(double scale, double alpha, double angle, double vertical,
                                  double horizontal, const gfx::Rect& rect, const gfx::Image& image,
                                  Positions position, gfx::Context& context, double rotation) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        return;
    }
    const double iw = image.width();
    const double ih = image.height();
    const double fit = std::min(1.0, std::min(rect.width, rect.height) / std::max(iw, ih));
    const double dw = fit * iw * scale;
    const double dh = fit * ih * scale;
    placeDrawnSize(scale, alpha, angle, vertical, horizontal, rect, dw, dh, position, context,
                   rotation);
    context.drawImage(image, gfx::Rect{0, 0, fit * iw, fit * ih});
}

void drawPDFPageWatermark(double scale, double alpha, double angle, double vertical,
                          double horizontal, const gfx::Rect& rect, const pdf::PageImage& page,
                          Positions position, gfx::Context& context, double rotation) {
    const gfx::Rect crop = page.cropBox().standardized();
    const double dw = crop.width * scale;
    const double dh = crop.height * scale;
    placeDrawnSize(scale, alpha, angle, vertical, horizontal, rect, dw, dh, position, context,
                   rotation);
    // The page draws in its own user space: move its crop box's corner to the placed origin.
    context.translateBy(-crop.x, -crop.y);
    page.draw(context);
}

} // namespace fen

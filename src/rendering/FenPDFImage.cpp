#include "rendering/FenPDFImage.h"

namespace fen {

double FenPDFImage::imageAngleDegrees(WMAngles angle) {
    return angleDegrees(angle).value_or(0);
}

void FenPDFImage::drawPDFImageWatermark(const gfx::Rect& rect, const gfx::Image& image,
                                        const std::optional<pdf::PageImage>& pdfPage,
                                        const std::optional<ImageSettings>& settings,
                                        gfx::Context& context, double rotation) {
    context.saveGState();
    if (settings) {
        const double scale = static_cast<double>(settings->sizeopacity.size) / 100.0;
        const double alpha = static_cast<double>(settings->sizeopacity.opacity) / 100.0;
        const double angle = imageAngleDegrees(settings->angle);
        const double vertical = static_cast<double>(settings->distanceToEdge.vertical);
        const double horizontal = static_cast<double>(settings->distanceToEdge.horizontal);
        if (pdfPage) {
            drawPDFPageWatermark(scale, alpha, angle, vertical, horizontal, rect, *pdfPage,
                                 settings->position, context, rotation);
        } else if (!image.isNull()) {
            FenImage::drawImageWatermark(scale, alpha, angle, vertical, horizontal, rect, image,
                                         settings->position, context, rotation);
        }
    }
    context.restoreGState();
}

} // namespace fen

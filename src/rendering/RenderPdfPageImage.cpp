#include "rendering/RenderPdfPageImage.h"

#include "platform/pdf/Document.h"
#include "rendering/DrawingHelpers.h"

#include <algorithm>

namespace fen {

gfx::Image renderPDFPageImage(const pdf::Document& document, int pageNumber, double maxWidth,
                              double maxHeight) {
    const int index = pageNumber - 1;
    if (index < 0 || index >= document.pageCount()) {
        return {};
    }
    gfx::Rect crop = document.pageBounds(index, pdf::Box::crop);
    if (crop.width == 0 || crop.height == 0) {
        return {};
    }
    double fit = 1;
    if (maxWidth > 0 && maxHeight > 0) {
        double m = std::min(maxWidth / crop.width, maxHeight / crop.height);
        if (m <= 1) {
            fit = m;
        }
    }
    constexpr double pixelsPerPoint = 4.0;
    auto bitmap = makeScaledBitmapContext(pixelsPerPoint, crop.width * fit, crop.height * fit);
    if (!bitmap) {
        return {};
    }
    bitmap->saveGState();
    bitmap->setInterpolationQuality(gfx::InterpolationQuality::none);
    bitmap->scaleBy(fit * pixelsPerPoint, fit * pixelsPerPoint);
    bitmap->translateBy(-crop.x, -crop.y);
    document.drawPageContent(index, *bitmap);
    bitmap->restoreGState();
    return bitmap->makeImage();
}

} // namespace fen

#include "document/EditorPageRenderer.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/pdf/Page.h"
#include "rendering/FenDocument.h"
#include "rendering/FenPage.h"

#include <algorithm>
#include <cmath>

namespace fen {

namespace {

std::unique_ptr<gfx::BitmapContext> pageBitmap(const gfx::Size& size, double scale) {
    if (!(scale > 0) || size.width <= 0 || size.height <= 0) {
        return nullptr;
    }
    const double pw = std::max(1.0, std::round(size.width * scale));
    const double ph = std::max(1.0, std::round(size.height * scale));
    auto bitmap = gfx::BitmapContext::create(pw, ph);
    if (bitmap) {
        bitmap->scaleBy(pw / size.width, ph / size.height);
    }
    return bitmap;
}

} // namespace

gfx::Size EditorPageRenderer::displaySize(FenDocument& document, int index) {
    const gfx::Rect crop = document.pageBounds(index, pdf::Box::crop).standardized();
    const int rotation = document.pageRotation(index);
    if (rotation == 90 || rotation == 270) {
        return {crop.height, crop.width};
    }
    return {crop.width, crop.height};
}

gfx::Image EditorPageRenderer::renderContent(FenDocument& document, int index, double scale) {
    auto bitmap = pageBitmap(displaySize(document, index), scale);
    if (!bitmap) {
        return {};
    }
    const gfx::Rect crop = document.pageBounds(index, pdf::Box::crop).standardized();
    bitmap->concatCTM(
        pdf::turnedBoxTransform(document.pageRotation(index), crop.width, crop.height));
    bitmap->clipToRect({0, 0, crop.width, crop.height});
    bitmap->translateBy(-crop.minX(), -crop.minY());
    document.drawPageContent(index, *bitmap, true);
    return bitmap->makeImage();
}

gfx::Image EditorPageRenderer::compose(FenDocument& document, int index, double scale,
                                       const gfx::Image& content) {
    const gfx::Size size = displaySize(document, index);
    auto bitmap = pageBitmap(size, scale);
    auto* page = dynamic_cast<FenPage*>(document.page(index));
    if (!bitmap || !page) {
        return {};
    }
    const gfx::Rect shown{0, 0, size.width, size.height};
    bitmap->setFillColor({1, 1, 1, 1});
    bitmap->fillRect(shown);
    page->drawPageWatermarks(pdf::Box::crop, *bitmap, [&] {
        if (!content.isNull()) {
            bitmap->drawImage(content, shown);
        }
    });
    return bitmap->makeImage();
}

} // namespace fen

#include "document/EditorPageRenderer.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/pdf/Page.h"
#include "rendering/FenDocument.h"
#include "rendering/FenPage.h"

#include <algorithm>
#include <cmath>

namespace fen {

namespace {

// A bitmap of `region` of the page, its space set to the page's points (y up, origin at the
// lower-left corner of the shown page); `mapped`, its pixels in memory of their own.
std::unique_ptr<gfx::BitmapContext> pageBitmap(const gfx::Size& size, double scale,
                                               const PixelRect& page, const PixelRect& region,
                                               bool mapped = false) {
    if (!(scale > 0) || size.width <= 0 || size.height <= 0 || region.isEmpty()) {
        return nullptr;
    }
    const auto width = static_cast<double>(region.width);
    const auto height = static_cast<double>(region.height);
    auto bitmap = mapped ? gfx::BitmapContext::createMapped(width, height)
                         : gfx::BitmapContext::create(width, height);
    if (bitmap) {
        // The region's top-left pixel becomes the bitmap's; y runs up from the page's bottom.
        bitmap->translateBy(static_cast<double>(-region.x),
                            static_cast<double>(region.height - page.height + region.y));
        bitmap->scaleBy(static_cast<double>(page.width) / size.width,
                        static_cast<double>(page.height) / size.height);
    }
    return bitmap;
}

PixelRect wholeOr(const PixelRect& region, const PixelRect& page) {
    return region.isEmpty() ? page : region.intersected(page);
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

PixelRect EditorPageRenderer::pixelBounds(FenDocument& document, int index, double scale) {
    const gfx::Size size = displaySize(document, index);
    return {0, 0, std::max<std::int64_t>(1, std::llround(size.width * scale)),
            std::max<std::int64_t>(1, std::llround(size.height * scale))};
}

gfx::Image EditorPageRenderer::renderContent(FenDocument& document, int index, double scale,
                                             const PixelRect& region) {
    const PixelRect page = pixelBounds(document, index, scale);
    // Made on a render worker and let go of on the GUI thread: in memory of its own, so that
    // the worker's allocator keeps no room for it once the page leaves the view.
    auto bitmap =
        pageBitmap(displaySize(document, index), scale, page, wholeOr(region, page), true);
    if (!bitmap) {
        return {};
    }
    const gfx::Rect crop = document.pageBounds(index, pdf::Box::crop).standardized();
    bitmap->concatCTM(
        pdf::turnedBoxTransform(document.pageRotation(index), crop.width, crop.height));
    bitmap->clipToRect({0, 0, crop.width, crop.height});
    bitmap->translateBy(-crop.minX(), -crop.minY());
    document.drawPageContent(index, *bitmap, true);
    return gfx::BitmapContext::takeImage(std::move(bitmap));
}

gfx::Image EditorPageRenderer::compose(FenDocument& document, int index, double scale,
                                       const gfx::Image& content, const PixelRect& region,
                                       const PixelRect& contentRegion) {
    const gfx::Size size = displaySize(document, index);
    const PixelRect page = pixelBounds(document, index, scale);
    auto bitmap = pageBitmap(size, scale, page, wholeOr(region, page));
    auto* pdfPage = dynamic_cast<FenPage*>(document.page(index));
    if (!bitmap || !pdfPage) {
        return {};
    }
    const gfx::Rect shown{0, 0, size.width, size.height};
    // Where the content's pixels lie on the page, in points.
    const PixelRect from = wholeOr(contentRegion, page);
    const double sx = static_cast<double>(page.width) / size.width;
    const double sy = static_cast<double>(page.height) / size.height;
    const gfx::Rect placed{
        static_cast<double>(from.x) / sx, static_cast<double>(page.height - from.bottom()) / sy,
        static_cast<double>(from.width) / sx, static_cast<double>(from.height) / sy};
    bitmap->setFillColor({1, 1, 1, 1});
    bitmap->fillRect(shown);
    pdfPage->drawPageWatermarks(pdf::Box::crop, *bitmap, [&] {
        if (!content.isNull()) {
            bitmap->drawImage(content, placed);
        }
    });
    return gfx::BitmapContext::takeImage(std::move(bitmap));
}

} // namespace fen

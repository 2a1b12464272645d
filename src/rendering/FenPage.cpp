#include "rendering/FenPage.h"

#include "model/ColorHex.h"
#include "model/FenWatermarkModel.h"
#include "platform/pdf/DeferredRaster.h"
#include "rendering/DrawingHelpers.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "rendering/FenOtherPagenumber.h"
#include "rendering/FenPDFImage.h"
#include "rendering/FenStamp.h"
#include "rendering/FenText.h"
#include "rendering/FontResolution.h"
#include "rendering/RenderPdfPageImage.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace fen {

namespace {

// The page rectangle the drawers get: the box as a reader sees it, at the origin (width and
// height swapped for a page turned a quarter).
gfx::Rect seenRect(const gfx::Rect& bounds, int rotation) {
    gfx::Rect b = bounds.standardized();
    if (rotation == 90 || rotation == 270) {
        return {b.x, b.y, b.height, b.width};
    }
    return b;
}

gfx::Rect pageRect(const gfx::Rect& bounds, int rotation) {
    gfx::Rect seen = seenRect(bounds, rotation);
    return {0, 0, seen.width, seen.height};
}

} // namespace

FenDocument* FenPage::fenDocument() const {
    return dynamic_cast<FenDocument*>(&document());
}

int FenPage::drawingRotation() const {
    return rotation();
}

std::optional<gfx::AffineTransform> FenPage::pageToShown(pdf::Box box) const {
    const int turn = rotation();
    if (turn == 0) {
        return std::nullopt;
    }
    const gfx::Rect b = bounds(box).standardized();
    return pdf::turnedBoxTransform(turn, b.width, b.height);
}

void FenPage::draw(pdf::Box box, gfx::Context& ctx) {
    FenDocument* document = fenDocument();
    if (document && document->wmObjectHolder && document->wmObjectHolder->isSecureSaving) {
        drawSecureFlattenedPage(ctx);
        return;
    }
    drawPageWatermarks(box, ctx);
}

void FenPage::drawPageWatermarks(pdf::Box box, gfx::Context& ctx) {
    const std::optional<gfx::AffineTransform> toShown =
        showsTurnedBox(ctx) ? pageToShown(box) : std::nullopt;
    drawPasses(ctx, pageRect(bounds(box), rotation()), drawingRotation(), toShown,
               [this, box, &ctx](bool drewUnder) { drawBase(box, ctx, drewUnder); });
}

void FenPage::drawPageWatermarks(pdf::Box box, gfx::Context& ctx,
                                 const std::function<void()>& content) {
    drawPasses(ctx, pageRect(bounds(box), rotation()), drawingRotation(), pageToShown(box),
               [&](bool) { content(); });
}

void FenPage::drawPageWatermarksInContext(gfx::Context& ctx, const gfx::Image& pageImage,
                                          const gfx::Rect& rect) {
    drawPasses(ctx, seenRect(rect, rotation()), drawingRotation(), std::nullopt,
               [&](bool) { ctx.drawImage(pageImage, rect); });
}

void FenPage::drawSecureFlattenedPage(gfx::Context& ctx) {
    FenDocument* document = fenDocument();
    std::shared_ptr<FenObjectHolder> holder = document ? document->wmObjectHolder : nullptr;
    std::shared_ptr<pdf::Document> source = holder ? holder->pdfDoc : nullptr;
    const int index = pageNumber() - 1;
    if (!source || index < 0 || index >= source->pageCount()) {
        return;
    }
    const gfx::Rect media = bounds(pdf::Box::media).standardized();
    const gfx::Rect crop = bounds(pdf::Box::crop).standardized();
    // The page is composed at secureSavingScale pixels per point with the same point sizes and
    // margins as the preview and the ordinary export: the drawers get the media box in points
    // under a scaled transform, not a rectangle of twice its size. The content is drawn straight
    // into the bitmap in its own user space, clipped to the crop box, so the crop box lands in its
    // own place within the media box. The ground is white, so the flattened page is one opaque
    // picture. While a file is written the composing runs on the writer's worker threads, several
    // pages at a time.
    const double scale = flatteningScale(media.width, media.height);
    const double pixelWidth = std::max(1.0, std::floor(media.width * scale));
    const double pixelHeight = std::max(1.0, std::floor(media.height * scale));
    if (!(scale > 0 && pixelWidth <= gfx::BitmapContext::maxSide &&
          pixelHeight <= gfx::BitmapContext::maxSide)) {
        return;
    }
    auto compose = [this, source, index, media, scale](gfx::Context& bitmap) {
        bitmap.scaleBy(scale, scale);
        drawPasses(bitmap, pageRect(media, rotation()), drawingRotation(), std::nullopt, [&](bool) {
            bitmap.saveGState();
            bitmap.translateBy(-media.x, -media.y);
            source->drawPageContent(index, bitmap);
            bitmap.restoreGState();
        });
        return true;
    };
    // Contexts given to pages have their origin at the crop box's lower-left corner.
    pdf::DeferredRaster::draw(ctx, {media.x - crop.x, media.y - crop.y, media.width, media.height},
                              static_cast<int>(pixelWidth), static_cast<int>(pixelHeight), compose);
}

double FenPage::flatteningScale(double width, double height) {
    if (!(std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0)) {
        return 0;
    }
    const double side = gfx::BitmapContext::maxSide;
    return std::min({secureSavingScale, side / width, side / height,
                     std::sqrt(maxFlattenedPixels / (width * height))});
}

gfx::Image FenPage::renderOriginalPageImage(const gfx::Rect& rect) {
    FenDocument* document = fenDocument();
    if (!document || !document->wmObjectHolder || !document->wmObjectHolder->pdfDoc) {
        return {};
    }
    const pdf::Document& source = *document->wmObjectHolder->pdfDoc;
    const int index = pageNumber() - 1;
    if (index < 0 || index >= source.pageCount()) {
        return {};
    }
    // The content at the flattened page's own resolution, so that composing copies it pixel for
    // pixel. It is drawn in its own user space, clipped to the crop box, so the crop box lands in
    // its own place within `rect` (the media box) and is never stretched over it.
    auto bitmap =
        makeBitmapContext(rect.width * secureSavingScale, rect.height * secureSavingScale);
    if (!bitmap) {
        return {};
    }
    bitmap->scaleBy(secureSavingScale, secureSavingScale);
    bitmap->translateBy(-rect.x, -rect.y);
    source.drawPageContent(index, *bitmap);
    return bitmap->makeImage();
}

void FenPage::drawPasses(gfx::Context& ctx, const gfx::Rect& rect, double rotation,
                         const std::optional<gfx::AffineTransform>& toShown,
                         const std::function<void(bool drewUnder)>& content) {
    FenDocument* document = fenDocument();
    std::shared_ptr<FenObjectHolder> holder = document ? document->wmObjectHolder : nullptr;
    std::shared_ptr<FenWatermarkModel> model = holder ? holder->model.lock() : nullptr;
    if (!model) {
        content(false);
        return;
    }

    // The drawers work in the page's own space; on a context that shows the turned page they
    // are put there first, while the content keeps the context's own space.
    auto inPageSpace = [&](const std::function<void()>& drawer) {
        if (!toShown) {
            drawer();
            return;
        }
        ctx.saveGState();
        ctx.concatCTM(*toShown);
        drawer();
        ctx.restoreGState();
    };

    const std::optional<ImageSettings> imageConf = model->imageConf;
    const std::optional<TextSettings> textConf = model->textConf;
    const bool imageBehind = imageConf && imageConf->isWatermarkInBackground;
    const bool textBehind = textConf && textConf->isWatermarkInBackground;

    auto imagePass = [&] {
        inPageSpace([&] {
            FenPDFImage::drawPDFImageWatermark(rect, holder->imageImage, holder->imagePDFPage,
                                               imageConf, ctx, rotation);
        });
    };
    auto textPass = [&] { inPageSpace([&] { drawTextPass(ctx, rect, rotation, *model); }); };
    if (imageBehind) {
        imagePass();
    }
    if (textBehind) {
        textPass();
    }

    content(imageBehind || textBehind);

    if (imageConf && !imageBehind) {
        imagePass();
    }
    if (textConf && !textBehind) {
        textPass();
    }

    ctx.saveGState();
    const std::optional<StampSettings> stampConf = model->stampConf;
    if (!holder->stampImage.isNull() && stampConf) {
        inPageSpace([&] {
            FenStamp::drawStamp(holder->stampImage, stampConf->position, ctx, rotation,
                                static_cast<double>(stampConf->sizeopacity.size) / 100, rect);
        });
    }
    ctx.restoreGState();

    const std::optional<PageNumberSettings> otherConf = model->otherConf;
    std::optional<std::string> format;
    if (otherConf && otherConf->numberTextColor) {
        format = otherConf->numberTextColor->stampText;
    }
    inPageSpace([&] {
        FenOtherPagenumber::drawPageNumber(rect, format, otherConf, pageNumber(), ctx, rotation);
    });
}

void FenPage::drawTextPass(gfx::Context& ctx, const gfx::Rect& rect, double rotation,
                           const FenWatermarkModel& model) {
    const std::optional<TextListItem> item = model.selectedTextItem;
    const std::optional<TextSettings> settings = model.textConf;
    ctx.saveGState();
    if (item && settings) {
        auto size = static_cast<double>(settings->font.size);
        text::Font font = resolvedFont(settings->font.familyname, settings->font.style, size)
                              .value_or(text::Font::systemFont(size));
        gfx::Color color = uiColorFromHex(colorHexString(settings->colorOutline.color),
                                          static_cast<double>(settings->opacity) / 100);
        text::AttributedString string =
            FenText::textAttributes(font, color, settings->colorOutline.isOutlined);
        string.text = item->text;
        FenText::drawText(rect, string, settings->position, ctx, rotation);
    }
    ctx.restoreGState();
}

} // namespace fen

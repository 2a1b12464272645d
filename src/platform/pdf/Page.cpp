#include "platform/pdf/Page.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/Context.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/LayerRecorder.h"

#include <cairo.h>

#include <cmath>

namespace fen::pdf {

namespace {

// Marks a surface that shows pages for the screen, where the base draw adds annotations.
const cairo_user_data_key_t displayKey{};

bool isDisplaySurface(cairo_t* cr) {
    return cairo_surface_get_user_data(cairo_get_target(cr), &displayKey) != nullptr;
}

} // namespace

gfx::AffineTransform turnedBoxTransform(int rotation, double w, double h) {
    switch (rotation) {
    case 90:
        return {0, -1, 1, 0, 0, w};
    case 180:
        return {-1, 0, 0, -1, w, h};
    case 270:
        return {0, 1, -1, 0, h, 0};
    default:
        return {};
    }
}

Page::Page(Document& document, int index) : document_(document), index_(index) {}

Page::~Page() = default;

gfx::Rect Page::bounds(Box box) const {
    return document_.pageBounds(index_, box);
}

int Page::rotation() const {
    return document_.pageRotation(index_);
}

gfx::Size Page::displaySize(Box box) const {
    gfx::Rect b = bounds(box);
    int r = rotation();
    if (r == 90 || r == 270) {
        return {b.height, b.width};
    }
    return {b.width, b.height};
}

bool Page::showsTurnedBox(const gfx::Context& ctx) {
    return !LayerRecorder::isRecording(ctx.cairo());
}

void Page::draw(Box box, gfx::Context& ctx) {
    drawBase(box, ctx, true);
}

void Page::drawBase(Box box, gfx::Context& ctx, bool drewBefore) {
    cairo_t* cr = ctx.cairo();
    if (LayerRecorder* recorder = LayerRecorder::of(cr)) {
        if (recorder->markBaseDraw(document_, index_, cr, drewBefore)) {
            return;
        }
    }
    if (!ctx.isTransformInvertible()) {
        return;
    }
    // A recording that cannot take the mark (the content drawn into a group, or another page's
    // content) gets the content drawn as vectors, in the unturned space the recording uses.
    const int turn = showsTurnedBox(ctx) ? rotation() : 0;
    gfx::Rect b = bounds(box);
    ctx.saveGState();
    ctx.concatCTM(turnedBoxTransform(turn, b.width, b.height));
    ctx.clipToRect({0, 0, b.width, b.height});
    ctx.translateBy(-b.minX(), -b.minY());
    document_.drawPageContent(index_, ctx, isDisplaySurface(cr));
    ctx.restoreGState();
}

void Page::drawForDisplay(Box box, gfx::Context& ctx) {
    gfx::Size size = displaySize(box);
    ctx.saveGState();
    ctx.setAlpha(1);
    ctx.setFillColor({1, 1, 1, 1});
    ctx.fillRect({0, 0, size.width, size.height});
    ctx.restoreGState();

    cairo_surface_t* target = cairo_get_target(ctx.cairo());
    void* before = cairo_surface_get_user_data(target, &displayKey);
    static int marker = 0;
    cairo_surface_set_user_data(target, &displayKey, &marker, nullptr);
    draw(box, ctx);
    cairo_surface_set_user_data(target, &displayKey, before, nullptr);
}

gfx::Image Page::renderForDisplay(Box box, double scale) {
    gfx::Size size = displaySize(box);
    if (!(scale > 0) || size.width <= 0 || size.height <= 0) {
        return {};
    }
    double pw = std::max(1.0, std::round(size.width * scale));
    double ph = std::max(1.0, std::round(size.height * scale));
    auto bitmap = gfx::BitmapContext::create(pw, ph);
    if (!bitmap) {
        return {};
    }
    bitmap->scaleBy(pw / size.width, ph / size.height);
    drawForDisplay(box, *bitmap);
    return bitmap->makeImage();
}

} // namespace fen::pdf

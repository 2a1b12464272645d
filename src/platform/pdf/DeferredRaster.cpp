#include "platform/pdf/DeferredRaster.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/pdf/LayerRecorder.h"
#include "platform/pdf/RasterEncoder.h"

namespace fen::pdf {

void DeferredRaster::draw(gfx::Context& ctx, const gfx::Rect& rect, int pixelWidth, int pixelHeight,
                          Painter painter) {
    if (!painter || !ctx.isTransformInvertible() || pixelWidth < 1 || pixelHeight < 1 ||
        pixelWidth > maxSide || pixelHeight > maxSide) {
        return;
    }
    if (LayerRecorder* recorder = LayerRecorder::of(ctx.cairo())) {
        auto task = std::make_shared<RasterTask>(pixelWidth, pixelHeight, painter);
        if (recorder->placeRaster(std::move(task), ctx.cairo(), rect)) {
            return;
        }
    }
    std::unique_ptr<gfx::BitmapContext> bitmap =
        gfx::BitmapContext::create(pixelWidth, pixelHeight);
    if (!bitmap) {
        return;
    }
    bitmap->setFillColor({1, 1, 1, 1});
    bitmap->fillRect({0, 0, static_cast<double>(pixelWidth), static_cast<double>(pixelHeight)});
    bitmap->saveGState();
    const bool painted = painter(*bitmap);
    bitmap->restoreGState();
    if (painted) {
        ctx.drawImage(bitmap->makeImage(), rect);
    }
}

} // namespace fen::pdf

#include "platform/pdf/DeferredRaster.h"

#include "platform/pdf/LayerRecorder.h"
#include "platform/pdf/RasterEncoder.h"

namespace fen::pdf {

void DeferredRaster::draw(gfx::Context& ctx, const gfx::Rect& rect, Painter painter) {
    if (!painter || !ctx.isTransformInvertible()) {
        return;
    }
    if (LayerRecorder* recorder = LayerRecorder::of(ctx.cairo())) {
        if (recorder->placeRaster(std::make_shared<RasterTask>(std::move(painter)), ctx.cairo(),
                                  rect)) {
            return;
        }
    }
    const gfx::Image image = painter();
    if (!image.isNull()) {
        ctx.drawImage(image, rect);
    }
}

} // namespace fen::pdf

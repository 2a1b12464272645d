#pragma once

#include "model/Positions.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/pdf/PageImage.h"

namespace fen {

// Places a bitmap watermark. The image is fitted to the page's shorter side (never enlarged),
// scaled by `scale`, turned by `angle` degrees about its centre (positive = counter-clockwise)
// and put at `position` with the distances to the edges (points) as the only margins; the turned
// image's bounding box is what touches the edges. Alpha is set on the context, which the caller
// saves and restores around the call.
class FenImage {
public:
    static void drawImageWatermark(double scale, double alpha, double angle, double vertical,
                                   double horizontal, const gfx::Rect& rect,
                                   const gfx::Image& image, Positions position,
                                   gfx::Context& context, double rotation);
};

// Places a PDF page used as a watermark picture, with the rules of the bitmap drawer but at the
// page's own crop-box size times `scale` (no fitting). The page is drawn as vectors; while a file
// is written it is stored once in that file and placed on each page. A crop box that does not
// start at (0, 0) is drawn at its place: its lower-left corner goes where the placement puts it.
void drawPDFPageWatermark(double scale, double alpha, double angle, double vertical,
                          double horizontal, const gfx::Rect& rect, const pdf::PageImage& page,
                          Positions position, gfx::Context& context, double rotation);

} // namespace fen

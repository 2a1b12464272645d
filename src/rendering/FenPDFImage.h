#pragma once

#include "model/ImageSettings.h"
#include "model/Positions.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/pdf/PageImage.h"
#include "rendering/FenImage.h"

#include <optional>

namespace fen {

// Draws the image watermark of one page: picks the prepared source (the first page of a PDF file
// takes precedence over a bitmap, so a PDF logo stays vector) and hands it to the drawer of its
// kind with the settings turned into numbers.
class FenPDFImage {
public:
    // Draws `pdfPage` or, when there is none, `image` (the null image is no image) inside the page
    // rectangle `rect` with the page `rotation` in degrees. Nothing is drawn without settings. The
    // context's graphics state is the same afterwards.
    static void drawPDFImageWatermark(const gfx::Rect& rect, const gfx::Image& image,
                                      const std::optional<pdf::PageImage>& pdfPage,
                                      const std::optional<ImageSettings>& settings,
                                      gfx::Context& context, double rotation);

    // The turn of an image watermark in degrees: the angle's own degrees, 0 for auto (an image is
    // never turned at random).
    static double imageAngleDegrees(WMAngles angle);
};

} // namespace fen

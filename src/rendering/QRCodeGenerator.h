#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

#include <string>

namespace fen {

// Makes the picture of a QR code: dark modules opaque black, the light ground transparent. The
// QR code creator's preview tints it itself; the image watermark's QR source finishes it with
// tintQRImage and roundedBackgroundQRImage and writes it as a PNG file.
class QRCodeGenerator {
public:
    // Whether a payload makes a symbol: not when it is empty, nor when it passes the capacity of
    // the largest symbol (2,331 bytes at level M, a few less with the UTF-8 header).
    enum class Content { fits, empty, tooLong };
    static Content judgeContent(const std::string& text);

    // Modules of light ground kept around the symbol, so that readers find it on any backdrop.
    static constexpr int quietZone = 2;

    // The symbol of `text` (UTF-8, level M) with its quiet zone, scaled by the largest factor s
    // that fits `width` × `height` pixels, keeping it square: floor(n × s) pixels a side for n
    // modules (symbol and quiet zone), every module a sharp block. The null image for an empty or
    // too long text, or a size that is not finite and positive or too large for a bitmap.
    static gfx::Image generateQRCodeImage(const std::string& text, double width, double height);
};

// A copy of `image` of the same pixel size whose visible pixels all have `color`, keeping their
// coverage; the null image when no bitmap can be made.
gfx::Image tintQRImage(const gfx::Image& image, const gfx::Color& color);

// A copy of `image` of the same pixel size drawn over a rounded square of `color` that covers the
// whole picture (corner radius 50 pixels, clamped to half the side); the corners outside it stay
// transparent. The null image when no bitmap can be made.
gfx::Image roundedBackgroundQRImage(const gfx::Image& image, const gfx::Color& color);

} // namespace fen

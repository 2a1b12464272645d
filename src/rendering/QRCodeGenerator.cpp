#include "rendering/QRCodeGenerator.h"

#include "platform/qr/QRSymbol.h"
#include "rendering/DrawingHelpers.h"

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

namespace fen {

QRCodeGenerator::Content QRCodeGenerator::judgeContent(const std::string& text) {
    if (text.empty()) {
        return Content::empty;
    }
    return qr::QRSymbol::encode(text) ? Content::fits : Content::tooLong;
}

gfx::Image QRCodeGenerator::generateQRCodeImage(const std::string& text, double width,
                                                double height) {
    if (!std::isfinite(width) || !std::isfinite(height) || width <= 0 || height <= 0) {
        return {};
    }
    std::optional<qr::QRSymbol> symbol = qr::QRSymbol::encode(text);
    if (!symbol) {
        return {};
    }
    const int modules = symbol->size() + 2 * quietZone;
    const double s = std::min(width / modules, height / modules);
    const double side = std::floor(modules * s);
    std::unique_ptr<gfx::BitmapContext> bitmap = makeBitmapContext(side, side);
    if (!bitmap) {
        return {};
    }
    // Pixels are written directly: every module covers the pixels between its floored edges, so
    // modules stay sharp without any resampling.
    const int pixels = bitmap->pixelWidth();
    std::vector<int> moduleOfPixel(static_cast<size_t>(pixels));
    for (int m = 0, p = 0; m < modules; ++m) {
        const int end = std::min(pixels, static_cast<int>(std::floor((m + 1) * s)));
        for (; p < end; ++p) {
            moduleOfPixel[static_cast<size_t>(p)] = m - quietZone;
        }
    }
    bitmap->editPixelRows([&](int y, std::span<std::uint32_t> row) {
        const int my = moduleOfPixel[static_cast<size_t>(y)];
        for (int x = 0; x < pixels; ++x) {
            row[static_cast<size_t>(x)] =
                symbol->isDark(moduleOfPixel[static_cast<size_t>(x)], my) ? 0xFF000000u : 0u;
        }
    });
    return bitmap->makeImage();
}

namespace {

// A bitmap of `image`'s pixel size with `color` as its fill colour, handed to `paint` with its
// whole area, made into an image; the null image for a null image or when no bitmap can be made.
template <typename Paint>
gfx::Image paintSameSize(const gfx::Image& image, const gfx::Color& color, Paint&& paint) {
    if (image.isNull()) {
        return {};
    }
    std::unique_ptr<gfx::BitmapContext> bitmap = makeBitmapContext(image.width(), image.height());
    if (!bitmap) {
        return {};
    }
    const gfx::Rect all{0, 0, static_cast<double>(image.width()),
                        static_cast<double>(image.height())};
    bitmap->setFillColor(color);
    paint(*bitmap, all);
    return bitmap->makeImage();
}

} // namespace

gfx::Image tintQRImage(const gfx::Image& image, const gfx::Color& color) {
    return paintSameSize(image, color, [&](gfx::BitmapContext& bitmap, const gfx::Rect& all) {
        bitmap.setBlendMode(gfx::BlendMode::colorBurn);
        bitmap.drawImage(image, all);
        bitmap.setBlendMode(gfx::BlendMode::sourceIn);
        bitmap.fillRect(all);
    });
}

gfx::Image roundedBackgroundQRImage(const gfx::Image& image, const gfx::Color& color) {
    return paintSameSize(image, color, [&](gfx::BitmapContext& bitmap, const gfx::Rect& all) {
        constexpr double radius = 50;
        bitmap.beginPath();
        bitmap.addRoundedRect(all, radius, radius);
        bitmap.fillPath();
        bitmap.setBlendMode(gfx::BlendMode::normal);
        bitmap.drawImage(image, all);
    });
}

} // namespace fen

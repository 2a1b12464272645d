#include "ui/ImageCopy.h"

namespace fen::ui {

QImage toQImage(const gfx::Image& image) {
    if (image.isNull()) {
        return {};
    }
    return QImage(image.data(), image.width(), image.height(), image.stride(),
                  QImage::Format_ARGB32_Premultiplied)
        .copy();
}

} // namespace fen::ui

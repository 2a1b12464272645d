#pragma once

#include "platform/graphics/Image.h"

#include <QImage>

namespace fen::ui {

// A copy of a picture made by the core (premultiplied ARGB32 in both), which outlives it; the
// null image for a null picture.
QImage toQImage(const gfx::Image& image);

} // namespace fen::ui

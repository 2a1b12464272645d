#pragma once

#include "platform/graphics/Image.h"

#include <QImage>

namespace fen::ui {

// A copy of a prepared or generated picture for a widget to paint (premultiplied ARGB32 in
// both); a null QImage for a null picture.
QImage copyToQImage(const gfx::Image& image);

} // namespace fen::ui

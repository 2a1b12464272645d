#pragma once

#include "controls/DFColorWellGridModel.h"

#include <QPainterPath>
#include <QRectF>

namespace fen {

// A rectangle with some corners rounded: the corners in `maskedCorners` (RectCorner values) by a
// circular arc of `cornerRadius`, the others square. The halves of the colour well are clipped
// to it, each rounded on its outer side only.
struct RoundCorner {
    double cornerRadius = 0;
    int maskedCorners = 0;

    QPainterPath path(const QRectF& rect) const;
};

} // namespace fen

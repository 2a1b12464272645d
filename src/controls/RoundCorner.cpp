#include "controls/RoundCorner.h"

#include <algorithm>

namespace fen {

QPainterPath RoundCorner::path(const QRectF& rect) const {
    const double r = std::clamp(cornerRadius, 0.0, std::min(rect.width(), rect.height()) / 2);
    const double d = 2 * r;
    const auto rounded = [this, r](int corner) { return r > 0 && (maskedCorners & corner) != 0; };
    QPainterPath path;
    // Clockwise from the top edge (y down), each arc sweeping 90 degrees.
    if (rounded(topLeftCorner)) {
        path.moveTo(rect.left(), rect.top() + r);
        path.arcTo(QRectF(rect.left(), rect.top(), d, d), 180, -90);
    } else {
        path.moveTo(rect.topLeft());
    }
    if (rounded(topRightCorner)) {
        path.lineTo(rect.right() - r, rect.top());
        path.arcTo(QRectF(rect.right() - d, rect.top(), d, d), 90, -90);
    } else {
        path.lineTo(rect.topRight());
    }
    if (rounded(bottomRightCorner)) {
        path.lineTo(rect.right(), rect.bottom() - r);
        path.arcTo(QRectF(rect.right() - d, rect.bottom() - d, d, d), 0, -90);
    } else {
        path.lineTo(rect.bottomRight());
    }
    if (rounded(bottomLeftCorner)) {
        path.lineTo(rect.left() + r, rect.bottom());
        path.arcTo(QRectF(rect.left(), rect.bottom() - d, d, d), 270, -90);
    } else {
        path.lineTo(rect.bottomLeft());
    }
    path.closeSubpath();
    return path;
}

} // namespace fen

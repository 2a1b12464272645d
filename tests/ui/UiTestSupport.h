#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QWidget>

#include <cstdlib>

namespace fen::test {

// `top` drawn over the opaque `base` (source-over), as a grab shows it.
inline QColor over(const QColor& base, const QColor& top) {
    const double a = top.alphaF();
    return QColor::fromRgbF(static_cast<float>(top.redF() * a + base.redF() * (1 - a)),
                            static_cast<float>(top.greenF() * a + base.greenF() * (1 - a)),
                            static_cast<float>(top.blueF() * a + base.blueF() * (1 - a)));
}

inline bool near(const QColor& a, const QColor& b, int tolerance = 2) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

inline QColor pixel(QWidget& widget, QPoint at) {
    return widget.grab().toImage().pixelColor(at);
}

} // namespace fen::test

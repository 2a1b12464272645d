#pragma once

#include <algorithm>
#include <cmath>

namespace fen::gfx {

struct Point {
    double x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

// A rectangle as origin plus size; the size may be negative (the origin is then a right or top
// edge) until standardized.
struct Rect {
    double x = 0, y = 0, width = 0, height = 0;

    double minX() const { return std::min(x, x + width); }
    double minY() const { return std::min(y, y + height); }
    double maxX() const { return std::max(x, x + width); }
    double maxY() const { return std::max(y, y + height); }
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }
    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }
    bool isEmpty() const { return width == 0 || height == 0; }
    Rect standardized() const { return {minX(), minY(), std::abs(width), std::abs(height)}; }
    bool operator==(const Rect&) const = default;
};

// An affine transform in the order a, b, c, d, tx, ty: x' = a·x + c·y + tx, y' = b·x + d·y + ty.
struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static AffineTransform identity() { return {}; }
    static AffineTransform translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static AffineTransform rotation(double radians) {
        double c = std::cos(radians), s = std::sin(radians);
        return {c, s, -s, c, 0, 0};
    }

    // The transform that applies `this` first, then `then`.
    AffineTransform concatenating(const AffineTransform& then) const {
        return {a * then.a + b * then.c,
                a * then.b + b * then.d,
                c * then.a + d * then.c,
                c * then.b + d * then.d,
                tx * then.a + ty * then.c + then.tx,
                tx * then.b + ty * then.d + then.ty};
    }
    // Prepend a translation, rotation or scale: the new step applies to points first, so a chain
    // reads in the order the drawing code sets up its coordinate system.
    AffineTransform translatedBy(double x, double y) const {
        return translation(x, y).concatenating(*this);
    }
    AffineTransform rotated(double radians) const { return rotation(radians).concatenating(*this); }
    AffineTransform scaledBy(double sx, double sy) const {
        return scale(sx, sy).concatenating(*this);
    }
    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // The bounding box of the transformed rectangle.
    Rect apply(const Rect& r) const {
        Point ps[4] = {apply(Point{r.minX(), r.minY()}), apply(Point{r.maxX(), r.minY()}),
                       apply(Point{r.minX(), r.maxY()}), apply(Point{r.maxX(), r.maxY()})};
        double x0 = ps[0].x, x1 = ps[0].x, y0 = ps[0].y, y1 = ps[0].y;
        for (auto& p : ps) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
        return {x0, y0, x1 - x0, y1 - y0};
    }
    bool operator==(const AffineTransform&) const = default;
};

// An RGBA colour with components in [0, 1] (device RGB).
struct Color {
    double red = 0, green = 0, blue = 0, alpha = 1;
    bool operator==(const Color&) const = default;
};

} // namespace fen::gfx

#pragma once

#include "platform/graphics/Geometry.h"

#include <memory>

typedef struct _cairo cairo_t;

namespace fen::gfx {

class Image;

enum class BlendMode { normal, colorBurn, sourceIn };
enum class InterpolationQuality { none, defaultQuality, high };

// A drawing context with the drawers' conventions over a cairo context: user space has its
// origin at the bottom left with y up; transforms, saves and restores, a global alpha, fills,
// clips and images behave as the drawers expect. The context does not own the cairo target; a
// BitmapContext owns its pixels. A transform that cannot be inverted (a scale by 0) is kept, and
// nothing drawn under it shows; the cairo context is never put into an
// error state by it.
class Context {
public:
    // Wraps `cr` whose current user space is `height` units tall (y down); the wrapper flips it to
    // y up. Takes a reference on `cr`; the cairo state is saved on construction and restored on
    // destruction (open saves and transparency layers are closed first).
    Context(cairo_t* cr, double height);
    virtual ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    void saveGState();
    void restoreGState();

    void translateBy(double x, double y);
    void rotateBy(double radians); // positive = counter-clockwise in y-up space
    void scaleBy(double sx, double sy);
    void concatCTM(const AffineTransform& t);
    AffineTransform getCTM() const; // user space → the y-up base space of the context

    void setAlpha(double alpha); // global alpha, multiplied into fills, images, text and pages
    double alpha() const;
    void setBlendMode(BlendMode mode);
    void setInterpolationQuality(InterpolationQuality q);
    void setShouldAntialias(bool on);
    BlendMode blendMode() const;
    InterpolationQuality interpolationQuality() const;
    bool shouldAntialias() const;

    void setFillColor(const Color& c);
    void setStrokeColor(const Color& c);
    void setLineWidth(double w);

    // Paths.
    void beginPath();
    void addRect(const Rect& r);
    // A rounded rectangle, corner radii clamped to half the shorter side.
    void addRoundedRect(const Rect& r, double cornerWidth, double cornerHeight);
    // Adds the rectangle's outline with the opposite winding (for holes under non-zero filling).
    void addReversedRect(const Rect& r);
    // The rounded rectangle of addRoundedRect traced in the opposite direction.
    void addReversedRoundedRect(const Rect& r, double cornerWidth, double cornerHeight);
    void fillPath(); // non-zero winding; clears the path
    void strokePath();
    void clip(); // intersects the clip with the current path (non-zero), clears the path
    void clipToRect(const Rect& r);

    void fillRect(const Rect& r); // leaves the current path as it was
    void strokeRect(const Rect& r);

    // Draws `image` upright in y-up space, stretched to `rect` (not tiled). On a surface with an
    // ImagePlacer (a write's recording) the placer places it, unless the blend mode is not normal.
    void drawImage(const Image& image, const Rect& rect);

    // Groups drawn between begin and end are composited with the current global alpha as one
    // unit (text and PDF pages use this so overlaps do not add up).
    void beginTransparencyLayer();
    void endTransparencyLayer();

    // The underlying cairo context, for the text and PDF layers. Its CTM is the current one.
    cairo_t* cairo() const;
    double height() const;
    // True when the target is a vector surface (PDF, or a recording surface replayed into one).
    bool isVectorTarget() const;
    // False while the current transform cannot be inverted: drawing then leaves no mark.
    bool isTransformInvertible() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The "current context" of the UI graphics stack: a per-thread stack, so export workers can draw
// at the same time as the editor.
void pushContext(Context& ctx);
void popContext();
Context* currentContext();

} // namespace fen::gfx

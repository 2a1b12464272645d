#pragma once

#include "platform/graphics/Context.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace fen::gfx {

// Takes over the drawing of bitmap images on a cairo surface that records a document write: the
// writer embeds each image's pixels once per written file and places that one image wherever it
// is drawn, instead of cairo compressing the pixels again for every use on every file. Attached
// to the surface, so every context that draws directly on it finds it.
class ImagePlacer {
public:
    virtual ~ImagePlacer() = default;

    // Places `image` with `cr`'s current matrix, which maps the image's pixel space (row 0 at the
    // top, one unit per pixel) to the surface, at `alpha`. False when it cannot (the caller then
    // draws the image through cairo).
    virtual bool placeImage(const Image& image, cairo_t* cr, double alpha,
                            InterpolationQuality quality) = 0;

    // Attaches `placer` to `surface` (null detaches); the placer must outlive the attachment.
    static void attach(cairo_surface_t* surface, ImagePlacer* placer);
    // The placer of the surface that `cr` draws on, when it draws on it directly (not into a
    // group); null otherwise.
    static ImagePlacer* of(cairo_t* cr);
};

} // namespace fen::gfx

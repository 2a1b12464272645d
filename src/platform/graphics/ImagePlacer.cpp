#include "platform/graphics/ImagePlacer.h"

#include <cairo.h>

namespace fen::gfx {

namespace {
const cairo_user_data_key_t placerKey{};
}

void ImagePlacer::attach(cairo_surface_t* surface, ImagePlacer* placer) {
    cairo_surface_set_user_data(surface, &placerKey, placer, nullptr);
}

ImagePlacer* ImagePlacer::of(cairo_t* cr) {
    if (!cr || cairo_get_group_target(cr) != cairo_get_target(cr)) {
        return nullptr;
    }
    return static_cast<ImagePlacer*>(cairo_surface_get_user_data(cairo_get_target(cr), &placerKey));
}

} // namespace fen::gfx

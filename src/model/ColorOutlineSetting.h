#pragma once

#include "model/Json.h"
#include "platform/graphics/Geometry.h"

namespace fen {

// Colour and outline of a text watermark: an outlined text is stroked instead of filled.
struct ColorOutlineSetting {
    gfx::Color color{0, 0, 0, 1};
    bool isOutlined = false;

    bool operator==(const ColorOutlineSetting&) const = default;
};

// {"color":"FF0000","isOutlined":false}: the colour as colorHexString (alpha is not kept). On
// reading "color" must be present; null reads as black ("#000000").
void to_json(Json& j, const ColorOutlineSetting& setting);
void from_json(const Json& j, ColorOutlineSetting& setting);
} // namespace fen

#pragma once

#include "model/Json.h"

#include <cstdint>

namespace fen {

// Size and opacity of an image or stamp watermark, both in per cent: the drawers scale by
// size / 100 and use opacity / 100 as alpha. Ranges are not checked.
struct SizeOpacitySetting {
    std::int64_t size = 100;
    std::int64_t opacity = 100;

    bool operator==(const SizeOpacitySetting&) const = default;
};

// {"size":100,"opacity":50}; all members required.
void to_json(Json& j, const SizeOpacitySetting& setting);
void from_json(const Json& j, SizeOpacitySetting& setting);

} // namespace fen

#pragma once

#include "model/Json.h"

#include <cstdint>

namespace fen {

// Offsets of a watermark from the page edges, in points: `vertical` from the top or bottom edge,
// `horizontal` from the left or right one. Negative offsets stay negative.
struct DistanceToEdgeSetting {
    std::int64_t vertical = 0;
    std::int64_t horizontal = 0;

    bool operator==(const DistanceToEdgeSetting&) const = default;
};

// {"vertical":0,"horizontal":-20}; all members required.
void to_json(Json& j, const DistanceToEdgeSetting& setting);
void from_json(const Json& j, DistanceToEdgeSetting& setting);

} // namespace fen

#pragma once

#include "model/DistanceToEdgeSetting.h"
#include "model/Json.h"
#include "model/Positions.h"
#include "model/SizeOpacitySetting.h"
#include "model/WMAngles.h"
#include "platform/foundation/Url.h"

#include <optional>

namespace fen {

// The settings of an image watermark: a picture file (bitmap or PDF) placed on every page.
struct ImageSettings {
    std::optional<Url> imageURL;
    Positions position = Positions::none;
    WMAngles angle = WMAngles::d0;
    SizeOpacitySetting sizeopacity;
    DistanceToEdgeSetting distanceToEdge;
    // Drawn before the page content (true) or over it (false).
    bool isWatermarkInBackground = false;

    bool operator==(const ImageSettings&) const = default;
};

// "imageURL" (the absolute address text, "file:///..." for files) is written only when present
// and read as absent when missing or null; a text that is no address fails as data-corrupted.
// "position", "angle", "sizeopacity", "distanceToEdge", "isWatermarkInBackground" are required.
void to_json(Json& j, const ImageSettings& settings);
void from_json(const Json& j, ImageSettings& settings);

} // namespace fen

#pragma once

#include "model/DateAndName.h"
#include "model/Json.h"
#include "model/Positions.h"
#include "model/SizeOpacitySetting.h"
#include "model/StampTextColor.h"
#include "model/WMAngles.h"

#include <memory>
#include <optional>

namespace fen {

namespace gfx {
class Image;
}

// The settings of a stamp: a framed text with an optional date-and-name line.
struct StampSettings {
    std::optional<StampTextColor> stampTextColor;
    Positions position = Positions::none;
    // auto_ gives a random angle by placement each time the stamp image is rebuilt.
    WMAngles angle = WMAngles::d0;
    SizeOpacitySetting sizeopacity;
    DateAndName datename;
    // A picture held in memory only (the panel's preview): never written, absent after reading.
    // Compared by identity.
    std::shared_ptr<const gfx::Image> image;

    bool operator==(const StampSettings&) const = default;
};

// "stampTextColor" is always written (null when absent) and must be present on reading.
// "position", "angle", "sizeopacity", "datename" are required; `image` has no member.
void to_json(Json& j, const StampSettings& settings);
void from_json(const Json& j, StampSettings& settings);

} // namespace fen

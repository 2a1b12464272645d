#pragma once

#include "model/DistanceToEdgeSetting.h"
#include "model/FontSetting.h"
#include "model/Json.h"
#include "model/OtherStyles.h"
#include "model/PageNumberConfiguration.h"
#include "model/Positions.h"
#include "model/StampTextColor.h"

#include <optional>

namespace fen {

// The settings of a page-number watermark. The format text with its tags ("#currentPage",
// "#totalPages", "#lastPage") and its colour are numberTextColor; without a format text no page
// number is drawn.
struct PageNumberSettings {
    std::optional<StampTextColor> numberTextColor;
    Positions position = Positions::none;
    FontSetting font;
    PageNumberConfiguration pagenumberConf;
    OtherStyles style = OtherStyles::style1;
    DistanceToEdgeSetting distanceToEdge;

    bool operator==(const PageNumberSettings&) const = default;
};

// "numberTextColor" is written only when present and read as absent when missing or null;
// "position", "font", "pagenumberConf", "style", "distanceToEdge" are required.
void to_json(Json& j, const PageNumberSettings& settings);
void from_json(const Json& j, PageNumberSettings& settings);

} // namespace fen

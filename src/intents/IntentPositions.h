#pragma once

#include "intents/AppEnum.h"
#include "model/Positions.h"

namespace fen {

// Where the page-number action puts the numbers: the placements a page number can take, without
// none, diagonal and triple. The four page-parity cases keep the titles users already know from
// their shortcuts ("Even Number Top Right" for topoddleft), although they read oddly.
enum class IntentPositions {
    topleft,
    topcenter,
    topright,
    middle,
    bottomleft,
    bottomcenter,
    bottomright,
    topevenleft,
    topoddleft,
    bottomevenleft,
    bottomoddleft,
};

template <> struct AppEnumCases<IntentPositions> {
    static constexpr std::string_view typeTitle = "Positions";
    static constexpr std::array<AppEnumCase, 11> cases = {{
        {"topleft", "Top Left"},
        {"topcenter", "Top Middle"},
        {"topright", "Top Right"},
        {"middle", "Middle"},
        {"bottomleft", "Bottom Left"},
        {"bottomcenter", "Bottom Center"},
        {"bottomright", "Bottom Right"},
        {"topevenleft", "Even Number Top Left"},
        {"topoddleft", "Even Number Top Right"},
        {"bottomevenleft", "Even Number Bottom Left"},
        {"bottomoddleft", "Even Number Bottom Right"},
    }};
};

// The placement of the watermark model with the same name.
Positions positionsValue(IntentPositions position);

} // namespace fen

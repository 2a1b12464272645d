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

// Each case is the model placement of the same name: its raw value is that case name.
template <> struct AppEnumCases<IntentPositions> {
    static constexpr std::string_view typeTitle = "Positions";
    static constexpr std::array<AppEnumCase, 11> cases = {{
        {caseName(Positions::topleft), "Top Left"},
        {caseName(Positions::topcenter), "Top Middle"},
        {caseName(Positions::topright), "Top Right"},
        {caseName(Positions::middle), "Middle"},
        {caseName(Positions::bottomleft), "Bottom Left"},
        {caseName(Positions::bottomcenter), "Bottom Center"},
        {caseName(Positions::bottomright), "Bottom Right"},
        {caseName(Positions::topevenleft), "Even Number Top Left"},
        {caseName(Positions::topoddleft), "Even Number Top Right"},
        {caseName(Positions::bottomevenleft), "Even Number Bottom Left"},
        {caseName(Positions::bottomoddleft), "Even Number Bottom Right"},
    }};
};

// The placement of the watermark model with the same name.
Positions positionsValue(IntentPositions position);

} // namespace fen

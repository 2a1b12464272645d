#include "model/Positions.h"

namespace fen {

std::string_view localizationKey(Positions position) {
    switch (position) {
    case Positions::none:
        return "Undefined";
    case Positions::topleft:
        return "placement_top_left";
    case Positions::topcenter:
        return "placement_top_center";
    case Positions::topright:
        return "placement_top_right";
    case Positions::middle:
        return "placement_middle";
    case Positions::bottomleft:
        return "placement_bottom_left";
    case Positions::bottomcenter:
        return "placement_bottom_center";
    case Positions::bottomright:
        return "placement_bottom_right";
    case Positions::diagonal:
        return "placement_diagonal";
    case Positions::triple:
        return "placement_tripple";
    case Positions::topevenleft:
        return "placement_oddTopRight";
    case Positions::topoddleft:
        return "placement_oddTopLeft";
    case Positions::bottomevenleft:
        return "placement_oddBottomRight";
    case Positions::bottomoddleft:
        return "placement_oddBottomLeft";
    }
    return "Undefined";
}

void to_json(Json& j, Positions position) {
    j = json::oneKeyObject(caseName(position));
}

void from_json(const Json& j, Positions& position) {
    position = json::readOneKey<Positions>(j);
}

} // namespace fen

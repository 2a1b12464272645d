#pragma once

#include "model/OneKeyEnum.h"

#include <string_view>

namespace fen {

// Where on a page a watermark is placed. The drawers choose their placement by comparing the key
// text (localizationKey) with the "placement_" literals; the position grid names its pictures
// with it. The four page-parity placements have key texts that do not repeat their case names.
enum class Positions {
    none,
    topleft,
    topcenter,
    topright,
    middle,
    bottomleft,
    bottomcenter,
    bottomright,
    diagonal,
    triple,
    topevenleft,
    topoddleft,
    bottomevenleft,
    bottomoddleft,
};

template <> struct EnumCases<Positions> {
    static constexpr std::string_view typeName = "Positions";
    static constexpr std::array<std::string_view, 14> names = {
        "none",        "topleft",      "topcenter",      "topright",     "middle",
        "bottomleft",  "bottomcenter", "bottomright",    "diagonal",     "triple",
        "topevenleft", "topoddleft",   "bottomevenleft", "bottomoddleft"};
};

// The key text of a placement ("placement_top_left"; "Undefined" for none; "placement_tripple").
std::string_view localizationKey(Positions position);

// Stored in the one-key form: {"topleft":{}}.
void to_json(Json& j, Positions position);
void from_json(const Json& j, Positions& position);

} // namespace fen

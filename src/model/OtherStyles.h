#pragma once

#include "model/OneKeyEnum.h"

#include <string_view>

namespace fen {

// The numbering style of a page-number watermark: plain, zero-padded, upper and lower Roman,
// upper and lower letters. Stored with page-number presets in the one-key form ({"style3":{}}).
enum class OtherStyles { style1, style2, style3, style4, style5, style6 };

template <> struct EnumCases<OtherStyles> {
    static constexpr std::string_view typeName = "OtherStyles";
    static constexpr std::array<std::string_view, 6> names = {"style1", "style2", "style3",
                                                              "style4", "style5", "style6"};
};

// The label of the style in the page-number style picker ("1, 2, 3...", "001, 002, 003...").
std::string_view styleLabel(OtherStyles style);

void to_json(Json& j, OtherStyles style);
void from_json(const Json& j, OtherStyles& style);

} // namespace fen

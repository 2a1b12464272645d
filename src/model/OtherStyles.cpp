#include "model/OtherStyles.h"

namespace fen {

std::string_view styleLabel(OtherStyles style) {
    switch (style) {
    case OtherStyles::style1:
        return "1, 2, 3...";
    case OtherStyles::style2:
        return "001, 002, 003...";
    case OtherStyles::style3:
        return "I, II, III...";
    case OtherStyles::style4:
        return "i, ii, iii...";
    case OtherStyles::style5:
        return "A, B, C...";
    case OtherStyles::style6:
        return "a, b, c...";
    }
    return "";
}

void to_json(Json& j, OtherStyles style) {
    j = json::oneKeyObject(caseName(style));
}

void from_json(const Json& j, OtherStyles& style) {
    style = json::readOneKey<OtherStyles>(j);
}

} // namespace fen

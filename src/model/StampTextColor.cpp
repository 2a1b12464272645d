#include "model/StampTextColor.h"

#include "model/ColorHex.h"

namespace fen {

void to_json(Json& j, const StampTextColor& value) {
    j = Json::object();
    j["stampText"] = value.stampText ? Json(*value.stampText) : Json(nullptr);
    j["stampColor"] = colorHexString(value.stampColor);
}

void from_json(const Json& j, StampTextColor& value) {
    json::requireObject(j, "StampTextColor");
    value.stampText = json::nullableMember<std::string>(j, "stampText");
    value.stampColor = json::hexColorMember(j, "stampColor");
}

} // namespace fen

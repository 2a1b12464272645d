#include "model/ColorOutlineSetting.h"

#include "model/ColorHex.h"

namespace fen {

void to_json(Json& j, const ColorOutlineSetting& setting) {
    j = Json::object();
    j["color"] = colorHexString(setting.color);
    j["isOutlined"] = setting.isOutlined;
}

void from_json(const Json& j, ColorOutlineSetting& setting) {
    json::requireObject(j, "ColorOutlineSetting");
    setting.color = json::hexColorMember(j, "color");
    setting.isOutlined = json::member<bool>(j, "isOutlined");
}

} // namespace fen

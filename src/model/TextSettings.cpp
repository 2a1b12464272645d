#include "model/TextSettings.h"

namespace fen {

void to_json(Json& j, const TextSettings& settings) {
    j = Json::object();
    j["position"] = settings.position;
    j["font"] = settings.font;
    j["colorOutline"] = settings.colorOutline;
    j["opacity"] = settings.opacity;
    j["isWatermarkInBackground"] = settings.isWatermarkInBackground;
}

void from_json(const Json& j, TextSettings& settings) {
    json::requireObject(j, "TextSettings");
    settings.position = json::member<Positions>(j, "position");
    settings.font = json::member<FontSetting>(j, "font");
    settings.colorOutline = json::member<ColorOutlineSetting>(j, "colorOutline");
    settings.opacity = json::member<std::int64_t>(j, "opacity");
    settings.isWatermarkInBackground = json::member<bool>(j, "isWatermarkInBackground");
}

} // namespace fen

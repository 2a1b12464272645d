#include "model/PageNumberSettings.h"

namespace fen {

void to_json(Json& j, const PageNumberSettings& settings) {
    j = Json::object();
    if (settings.numberTextColor) {
        j["numberTextColor"] = *settings.numberTextColor;
    }
    j["position"] = settings.position;
    j["font"] = settings.font;
    j["pagenumberConf"] = settings.pagenumberConf;
    j["style"] = settings.style;
    j["distanceToEdge"] = settings.distanceToEdge;
}

void from_json(const Json& j, PageNumberSettings& settings) {
    json::requireObject(j, "PageNumberSettings");
    settings.numberTextColor = json::optionalMember<StampTextColor>(j, "numberTextColor");
    settings.position = json::member<Positions>(j, "position");
    settings.font = json::member<FontSetting>(j, "font");
    settings.pagenumberConf = json::member<PageNumberConfiguration>(j, "pagenumberConf");
    settings.style = json::member<OtherStyles>(j, "style");
    settings.distanceToEdge = json::member<DistanceToEdgeSetting>(j, "distanceToEdge");
}

} // namespace fen

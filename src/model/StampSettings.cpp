#include "model/StampSettings.h"

namespace fen {

void to_json(Json& j, const StampSettings& settings) {
    j = Json::object();
    j["stampTextColor"] = settings.stampTextColor ? Json(*settings.stampTextColor) : Json(nullptr);
    j["position"] = settings.position;
    j["angle"] = settings.angle;
    j["sizeopacity"] = settings.sizeopacity;
    j["datename"] = settings.datename;
}

void from_json(const Json& j, StampSettings& settings) {
    json::requireObject(j, "StampSettings");
    settings.stampTextColor = json::nullableMember<StampTextColor>(j, "stampTextColor");
    settings.position = json::member<Positions>(j, "position");
    settings.angle = json::member<WMAngles>(j, "angle");
    settings.sizeopacity = json::member<SizeOpacitySetting>(j, "sizeopacity");
    settings.datename = json::member<DateAndName>(j, "datename");
    settings.image.reset();
}

} // namespace fen

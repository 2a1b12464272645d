#include "model/ImageSettings.h"

namespace fen {

void to_json(Json& j, const ImageSettings& settings) {
    j = Json::object();
    if (settings.imageURL) {
        j["imageURL"] = json::urlToJson(*settings.imageURL);
    }
    j["position"] = settings.position;
    j["angle"] = settings.angle;
    j["sizeopacity"] = settings.sizeopacity;
    j["distanceToEdge"] = settings.distanceToEdge;
    j["isWatermarkInBackground"] = settings.isWatermarkInBackground;
}

void from_json(const Json& j, ImageSettings& settings) {
    json::requireObject(j, "ImageSettings");
    settings.imageURL.reset();
    if (auto it = j.find("imageURL"); it != j.end() && !it->is_null()) {
        settings.imageURL = json::atPath("imageURL", [&] { return json::urlFromJson(*it); });
    }
    settings.position = json::member<Positions>(j, "position");
    settings.angle = json::member<WMAngles>(j, "angle");
    settings.sizeopacity = json::member<SizeOpacitySetting>(j, "sizeopacity");
    settings.distanceToEdge = json::member<DistanceToEdgeSetting>(j, "distanceToEdge");
    settings.isWatermarkInBackground = json::member<bool>(j, "isWatermarkInBackground");
}

} // namespace fen

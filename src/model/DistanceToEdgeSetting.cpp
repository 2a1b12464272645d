#include "model/DistanceToEdgeSetting.h"

namespace fen {

void to_json(Json& j, const DistanceToEdgeSetting& setting) {
    j = Json::object();
    j["vertical"] = setting.vertical;
    j["horizontal"] = setting.horizontal;
}

void from_json(const Json& j, DistanceToEdgeSetting& setting) {
    json::requireObject(j, "DistanceToEdgeSetting");
    setting.vertical = json::member<std::int64_t>(j, "vertical");
    setting.horizontal = json::member<std::int64_t>(j, "horizontal");
}

} // namespace fen

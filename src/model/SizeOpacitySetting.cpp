#include "model/SizeOpacitySetting.h"

namespace fen {

void to_json(Json& j, const SizeOpacitySetting& setting) {
    j = Json::object();
    j["size"] = setting.size;
    j["opacity"] = setting.opacity;
}

void from_json(const Json& j, SizeOpacitySetting& setting) {
    json::requireObject(j, "SizeOpacitySetting");
    setting.size = json::member<std::int64_t>(j, "size");
    setting.opacity = json::member<std::int64_t>(j, "opacity");
}

} // namespace fen

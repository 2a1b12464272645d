#include "model/FontSetting.h"

namespace fen {

const std::string& FontSetting::defaultFamilyName() {
    // Never destroyed, as every default a worker may read while the program ends.
    static const auto& name = *new const std::string("Helvetica Neue");
    return name;
}

const std::string& FontSetting::defaultStyle() {
    static const auto& style = *new const std::string("Regular");
    return style;
}

double FontSetting::defaultSize() {
    return 17.0;
}

void to_json(Json& j, const FontSetting& font) {
    j = Json::object();
    j["familyname"] = font.familyname;
    j["style"] = font.style;
    j["size"] = font.size;
}

void from_json(const Json& j, FontSetting& font) {
    json::requireObject(j, "FontSetting");
    font.familyname = json::member<std::string>(j, "familyname");
    font.style = json::member<std::string>(j, "style");
    font.size = json::member<std::int64_t>(j, "size");
}

} // namespace fen

#include "model/Presets.h"

namespace fen {

void to_json(Json& j, const TextPreset& preset) {
    j = Json::object();
    j["id"] = preset.id;
    j["name"] = preset.name;
    j["textList"] = preset.textList;
    j["preset"] = preset.preset;
}

void from_json(const Json& j, TextPreset& preset) {
    json::requireObject(j, "TextPreset");
    preset.id = json::member<std::string>(j, "id");
    preset.name = json::member<std::string>(j, "name");
    preset.textList = json::member<std::vector<std::string>>(j, "textList");
    preset.preset = json::member<TextSettings>(j, "preset");
}

void to_json(Json& j, const ImagePreset& preset) {
    j = Json::object();
    j["id"] = preset.id;
    j["name"] = preset.name;
    j["imageID"] = preset.imageID;
    j["preset"] = preset.preset;
}

void from_json(const Json& j, ImagePreset& preset) {
    json::requireObject(j, "ImagePreset");
    preset.id = json::member<std::string>(j, "id");
    preset.name = json::member<std::string>(j, "name");
    preset.imageID = json::member<std::string>(j, "imageID");
    preset.preset = json::member<ImageSettings>(j, "preset");
}

void to_json(Json& j, const StampPreset& preset) {
    j = Json::object();
    j["id"] = preset.id;
    j["name"] = preset.name;
    j["preset"] = preset.preset;
}

void from_json(const Json& j, StampPreset& preset) {
    json::requireObject(j, "StampPreset");
    preset.id = json::member<std::string>(j, "id");
    preset.name = json::member<std::string>(j, "name");
    preset.preset = json::member<StampSettings>(j, "preset");
}

void to_json(Json& j, const PageNumberPreset& preset) {
    j = Json::object();
    j["id"] = preset.id;
    j["name"] = preset.name;
    j["preset"] = preset.preset;
}

void from_json(const Json& j, PageNumberPreset& preset) {
    json::requireObject(j, "PageNumberPreset");
    preset.id = json::member<std::string>(j, "id");
    preset.name = json::member<std::string>(j, "name");
    preset.preset = json::member<PageNumberSettings>(j, "preset");
}

AnyPresets emptyPresets(PresetStoreKind kind) {
    switch (kind) {
    case PresetStoreKind::stamp:
        return Presets<StampPreset>{};
    case PresetStoreKind::pageNumber:
        return Presets<PageNumberPreset>{};
    case PresetStoreKind::text:
        return Presets<TextPreset>{};
    case PresetStoreKind::image:
        return Presets<ImagePreset>{};
    }
    return Presets<StampPreset>{};
}

PresetStoreKind presetStoreKind(const AnyPresets& container) {
    return static_cast<PresetStoreKind>(container.index());
}

void to_json(Json& j, const AnyPresets& container) {
    std::visit([&j](const auto& presets) { j = presets; }, container);
}

AnyPresets readPresets(PresetStoreKind kind, const Json& j) {
    AnyPresets container = emptyPresets(kind);
    std::visit([&j](auto& presets) { json::readValue(j, presets); }, container);
    return container;
}

} // namespace fen

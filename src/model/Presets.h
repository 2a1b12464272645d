#pragma once

#include "model/ImageSettings.h"
#include "model/Json.h"
#include "model/PageNumberSettings.h"
#include "model/PresetStoreKind.h"
#include "model/StampSettings.h"
#include "model/TextSettings.h"
#include "platform/foundation/Dates.h"
#include "platform/foundation/Uuid.h"

#include <string>
#include <variant>
#include <vector>

namespace fen {

// The four preset records: a named copy of one watermark kind's settings. A preset made without
// an identifier gets a fresh upper-case UUID text; reading requires one and never makes one up.

// A text preset also keeps the list of watermark texts.
struct TextPreset {
    std::string id = newUuidString();
    std::string name;
    std::vector<std::string> textList;
    TextSettings preset;

    bool operator==(const TextPreset&) const = default;
};

// An image preset refers to its picture by the identifier of the stored image.
struct ImagePreset {
    std::string id = newUuidString();
    std::string name;
    std::string imageID;
    ImageSettings preset;

    bool operator==(const ImagePreset&) const = default;
};

struct StampPreset {
    std::string id = newUuidString();
    std::string name;
    StampSettings preset;

    bool operator==(const StampPreset&) const = default;
};

struct PageNumberPreset {
    std::string id = newUuidString();
    std::string name;
    PageNumberSettings preset;

    bool operator==(const PageNumberPreset&) const = default;
};

// The stored container of all presets of one kind, one JSON blob per kind. lastSaved is the time
// of the last addition in seconds since 1970 (with fraction); a new container has now.
template <typename T> struct Presets {
    double lastSaved = Date::now().unixSeconds();
    std::vector<T> presets;

    bool operator==(const Presets&) const = default;
};

// Every key is required on reading; other keys are ignored.
void to_json(Json& j, const TextPreset& preset);
void from_json(const Json& j, TextPreset& preset);
void to_json(Json& j, const ImagePreset& preset);
void from_json(const Json& j, ImagePreset& preset);
void to_json(Json& j, const StampPreset& preset);
void from_json(const Json& j, StampPreset& preset);
void to_json(Json& j, const PageNumberPreset& preset);
void from_json(const Json& j, PageNumberPreset& preset);

// {"lastSaved":731500200.5,"presets":[...]}
template <typename T> void to_json(Json& j, const Presets<T>& container) {
    j = Json::object();
    j["lastSaved"] = container.lastSaved;
    j["presets"] = Json::array();
    for (const auto& preset : container.presets) {
        j["presets"].push_back(preset);
    }
}

template <typename T> void from_json(const Json& j, Presets<T>& container) {
    json::requireObject(j, "Presets");
    container.lastSaved = json::member<double>(j, "lastSaved");
    container.presets = json::member<std::vector<T>>(j, "presets");
}

// A container of any of the four kinds, for the preset database, which handles blobs without
// knowing their record type. The alternatives are in the order of the kinds' byte values, so
// index() is the kind.
using AnyPresets = std::variant<Presets<StampPreset>, Presets<PageNumberPreset>,
                                Presets<TextPreset>, Presets<ImagePreset>>;

// An empty container of the record type of `kind`, with lastSaved now.
AnyPresets emptyPresets(PresetStoreKind kind);

// The kind of the records a container holds.
PresetStoreKind presetStoreKind(const AnyPresets& container);

void to_json(Json& j, const AnyPresets& container);
// Reads a blob as the container of `kind`; fails with JsonError.
AnyPresets readPresets(PresetStoreKind kind, const Json& j);

} // namespace fen

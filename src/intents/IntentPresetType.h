#pragma once

#include "intents/AppEnum.h"
#include "model/PresetRequests.h"
#include "storage/PresetStoreKind.h"

namespace fen {

// Which kind of stored preset the preset action applies.
enum class IntentPresetType {
    text,
    stamp,
    image,
    pagenumber,
};

template <> struct AppEnumCases<IntentPresetType> {
    static constexpr std::string_view typeTitle = "Type";
    static constexpr std::array<AppEnumCase, 4> cases = {{
        {"text", "Text"},
        {"stamp", "Stamp"},
        {"image", "Image"},
        {"pagenumber", "Page Number"},
    }};
};

// The preset list kind of the same name, under which the preset names are looked up.
PresetsList presetsListValue(IntentPresetType type);

// The store kind of the same name, under which the preset is loaded.
PresetStoreKind presetStoreKindValue(IntentPresetType type);

} // namespace fen

#include "intents/ActionEnumerations.h"

#include "intents/IntentFilenameTextAddedPosition.h"
#include "intents/IntentPositions.h"
#include "intents/IntentPresetType.h"

#include <array>
#include <string>

namespace fen {

const AppEnumCase* ActionEnumeration::find(std::string_view rawValue) const {
    for (const auto& entry : cases) {
        if (entry.rawValue == rawValue) {
            return &entry;
        }
    }
    return nullptr;
}

std::string ActionEnumeration::rawValueList() const {
    std::string list;
    for (const auto& entry : cases) {
        if (!list.empty()) {
            list += ", ";
        }
        list += entry.rawValue;
    }
    return list;
}

std::span<const ActionEnumeration> actionEnumerations() {
    static const std::array<ActionEnumeration, 3> all = {
        makeActionEnumeration<IntentPositions>("positions"),
        makeActionEnumeration<IntentPresetType>("preset-type"),
        makeActionEnumeration<IntentFilenameTextAddedPosition>("text-position"),
    };
    return all;
}

const ActionEnumeration* findActionEnumeration(std::string_view name) {
    for (const auto& enumeration : actionEnumerations()) {
        if (enumeration.name == name) {
            return &enumeration;
        }
    }
    return nullptr;
}

} // namespace fen

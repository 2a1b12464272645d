#include "intents/IntentPresetType.h"

#include <array>
#include <cstdint>

namespace fen {

PresetsList presetsListValue(IntentPresetType type) {
    // PresetsList numbers, indexed by the action case's place.
    static constexpr std::array<std::uint8_t, 4> table = {0, 2, 1, 3};
    return static_cast<PresetsList>(table[static_cast<std::size_t>(type)]);
}

PresetStoreKind presetStoreKindValue(IntentPresetType type) {
    // PresetStoreKind bytes, indexed by the action case's place.
    static constexpr std::array<std::uint8_t, 4> table = {2, 0, 3, 1};
    return static_cast<PresetStoreKind>(table[static_cast<std::size_t>(type)]);
}

} // namespace fen

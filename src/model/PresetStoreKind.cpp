#include "model/PresetStoreKind.h"

namespace fen {

std::optional<PresetStoreKind> presetStoreKindFromValue(int value) {
    if (value < 0 || value > 3) {
        return std::nullopt;
    }
    return static_cast<PresetStoreKind>(value);
}

} // namespace fen

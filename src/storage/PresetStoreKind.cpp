#include "storage/PresetStoreKind.h"

namespace fen {

const char* entityName(PresetStoreKind kind) {
    switch (kind) {
    case PresetStoreKind::stamp:
        return "DBStampPresets";
    case PresetStoreKind::pageNumber:
        return "DBPageNumberPresets";
    case PresetStoreKind::text:
        return "DBTextPresets";
    case PresetStoreKind::image:
        return "DBImagePresets";
    }
    return "DBStampPresets";
}

std::optional<PresetStoreKind> presetStoreKindFromValue(int value) {
    if (value < 0 || value > 3) {
        return std::nullopt;
    }
    return static_cast<PresetStoreKind>(value);
}

} // namespace fen

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

} // namespace fen

#pragma once

#include "model/PresetStoreKind.h"

namespace fen {

// The entity that holds the presets of a kind ("DBStampPresets", "DBPageNumberPresets",
// "DBTextPresets", "DBImagePresets").
const char* entityName(PresetStoreKind kind);

} // namespace fen

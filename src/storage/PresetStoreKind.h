#pragma once

#include <cstdint>

namespace fen {

// The kind of a stored preset blob, one byte as stored records and callers pass it. Each kind
// has its own entity (table) in the store.
enum class PresetStoreKind : std::uint8_t { stamp = 0, pageNumber = 1, text = 2, image = 3 };

// The entity that holds the presets of a kind ("DBStampPresets", "DBPageNumberPresets",
// "DBTextPresets", "DBImagePresets").
const char* entityName(PresetStoreKind kind);

} // namespace fen

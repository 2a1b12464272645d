#pragma once

#include <cstdint>
#include <optional>

namespace fen {

// The kind of a stored preset blob, one byte as stored records and callers pass it. Each kind
// has its own entity (table) in the store, named by storage/PresetStoreKind.h.
enum class PresetStoreKind : std::uint8_t { stamp = 0, pageNumber = 1, text = 2, image = 3 };

// The kind for a byte value; nothing for a value that names no kind.
std::optional<PresetStoreKind> presetStoreKindFromValue(int value);

} // namespace fen

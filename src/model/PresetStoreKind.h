#pragma once

#include <cstdint>

namespace fen {

// The kind of a stored preset blob, one byte as stored records and callers pass it. Each kind
// has its own entity (table) in the store, named by storage/PresetStoreKind.h.
enum class PresetStoreKind : std::uint8_t { stamp = 0, pageNumber = 1, text = 2, image = 3 };

} // namespace fen

#pragma once

#include <cstdint>

namespace fen {

// The kind of a stored list blob: stamp texts, page-number formats, QR codes. Each kind has its
// own entity (table) in the store.
enum class ListStoreKind : std::uint8_t { stamp = 0, pageNumber = 1, qrCode = 2 };

// The entity that holds the list of a kind ("DBStampList", "DBPageNumberList", "DBImageList").
const char* entityName(ListStoreKind kind);

} // namespace fen

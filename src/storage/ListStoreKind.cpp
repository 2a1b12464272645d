#include "storage/ListStoreKind.h"

namespace fen {

const char* entityName(ListStoreKind kind) {
    switch (kind) {
    case ListStoreKind::stamp:
        return "DBStampList";
    case ListStoreKind::pageNumber:
        return "DBPageNumberList";
    case ListStoreKind::qrCode:
        return "DBImageList";
    }
    return "DBStampList";
}

std::optional<ListStoreKind> listStoreKindFromValue(int value) {
    if (value < 0 || value > 2) {
        return std::nullopt;
    }
    return static_cast<ListStoreKind>(value);
}

} // namespace fen

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

} // namespace fen

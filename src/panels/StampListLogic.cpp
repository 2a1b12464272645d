#include "panels/StampListLogic.h"

#include "platform/foundation/Uuid.h"
#include "storage/FenDatabaseManager.h"
#include "storage/StampDBModel.h"

#include <algorithm>

namespace fen {

bool StampListLogic::add(const std::string& text) {
    const std::string id = newUuidString();
    if (text.empty()) {
        return true;
    }
    const bool stored = FenDatabaseManager::addStampListEntry(id, text);
    model_.loadOptions();
    return stored;
}

bool StampListLogic::remove(const std::string& id) {
    if (id == SPAOptions::kNoneID) {
        return false;
    }
    const std::vector<StampList> stored = FenDatabaseManager::loadStampList();
    const bool found = std::any_of(stored.begin(), stored.end(),
                                   [&](const StampList& entry) { return entry.id == id; });
    if (!found) {
        return false;
    }
    FenDatabaseManager::removeStampListEntry(id);
    model_.loadOptions();
    return true;
}

bool StampListLogic::showsRow(const SPAOptions& option) {
    return !(option == SPAOptions::none());
}

} // namespace fen

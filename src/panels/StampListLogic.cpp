#include "panels/StampListLogic.h"

#include "platform/foundation/Uuid.h"
#include "storage/FenDatabaseManager.h"
#include "storage/StampDBModel.h"

#include <algorithm>

namespace fen {

void StampListLogic::add(const std::string& text, std::function<void(bool stored)> answered) {
    const std::string id = newUuidString();
    if (text.empty()) {
        if (answered) {
            answered(true);
        }
        return;
    }
    model_.change([id, text] { return FenDatabaseManager::addStampListEntry(id, text); },
                  std::move(answered));
}

bool StampListLogic::remove(const std::string& id) {
    if (id == SPAOptions::kNoneID) {
        return false;
    }
    const std::vector<SPAOptions>& listed = model_.options();
    const bool found = std::any_of(listed.begin(), listed.end(),
                                   [&](const SPAOptions& option) { return option.id == id; });
    if (!found) {
        return false;
    }
    model_.change([id] { return FenDatabaseManager::removeStampListEntry(id); });
    return true;
}

bool StampListLogic::showsRow(const SPAOptions& option) {
    return !(option == SPAOptions::none());
}

} // namespace fen

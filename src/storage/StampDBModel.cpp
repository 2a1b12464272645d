#include "storage/StampDBModel.h"

#include "storage/FenDatabaseManager.h"

namespace fen {

StampDBModel::StampDBModel() {
    loadOptions();
}

void StampDBModel::loadOptions() {
    std::vector<SPAOptions> options{SPAOptions::none()};
    for (const StampList& entry : FenDatabaseManager::loadStampList()) {
        options.push_back(SPAOptions{entry.id, entry.name});
    }
    if (options == options_) {
        return;
    }
    options_ = std::move(options);
    objectWillChange.emit();
}

} // namespace fen

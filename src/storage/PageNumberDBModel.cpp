#include "storage/PageNumberDBModel.h"

#include "storage/FenDatabaseManager.h"

namespace fen {

PageNumberDBModel::PageNumberDBModel() {
    loadOptions();
}

void PageNumberDBModel::loadOptions() {
    std::vector<SPAOptions> options{SPAOptions::none()};
    for (const PageNumberList& entry : FenDatabaseManager::loadPageNumberList()) {
        options.push_back(SPAOptions{entry.id, entry.name});
    }
    if (options == options_) {
        return;
    }
    options_ = std::move(options);
    objectWillChange.emit();
}

} // namespace fen

#include "storage/OptionListModel.h"

namespace fen {

OptionListModel::OptionListModel(std::function<std::vector<SPAOptions>()> loadEntries)
    : loadEntries_(std::move(loadEntries)) {
    loadOptions();
}

void OptionListModel::loadOptions() {
    std::vector<SPAOptions> options{SPAOptions::none()};
    for (SPAOptions& entry : loadEntries_()) {
        options.push_back(std::move(entry));
    }
    if (options == options_) {
        return;
    }
    options_ = std::move(options);
    objectWillChange.emit();
}

} // namespace fen

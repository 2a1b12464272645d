#pragma once

#include "platform/foundation/Signal.h"
#include "storage/SPAOptions.h"

#include <functional>
#include <utility>
#include <vector>

namespace fen {

// A panel's menu of stored entries: the "none" option, then the options its loader makes from
// the store, in stored order. Created loaded (the loader seeds the defaults on a fresh store);
// editors call loadOptions() after each change of the stored entries. Main thread only.
class OptionListModel {
public:
    // Rebuilds the options from the store; replaces them and announces once only when they
    // differ.
    void loadOptions();

    const std::vector<SPAOptions>& options() const { return options_; }
    // Sets the options without announcing.
    void setOptions(std::vector<SPAOptions> options) { options_ = std::move(options); }

    // Sent after the options were replaced by loadOptions().
    Signal<> objectWillChange;

protected:
    // `loadEntries` gives the options that follow "none", read from the store.
    explicit OptionListModel(std::function<std::vector<SPAOptions>()> loadEntries);

    // One option per stored entry: its id, titled with its name.
    template <typename Entry>
    static std::vector<SPAOptions> named(const std::vector<Entry>& entries) {
        std::vector<SPAOptions> options;
        for (const Entry& entry : entries) {
            options.push_back(SPAOptions{entry.id, entry.name});
        }
        return options;
    }

private:
    std::function<std::vector<SPAOptions>()> loadEntries_;
    std::vector<SPAOptions> options_;
};

} // namespace fen

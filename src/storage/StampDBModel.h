#pragma once

#include "platform/foundation/Signal.h"
#include "storage/SPAOptions.h"

#include <vector>

namespace fen {

// The stamp panel's menu of stored stamp texts: the "none" option, then one option per stored
// text (id, title = the text), in stored order. Created loaded (seeding the default texts on a
// fresh store); the list editor calls loadOptions() after each change of the stored list. Main
// thread only.
class StampDBModel {
public:
    StampDBModel();

    // Rebuilds the options from the store; replaces them and announces once only when they
    // differ.
    void loadOptions();

    const std::vector<SPAOptions>& options() const { return options_; }
    // Sets the options without announcing.
    void setOptions(std::vector<SPAOptions> options) { options_ = std::move(options); }

    // Sent after the options were replaced by loadOptions().
    Signal<> objectWillChange;

private:
    std::vector<SPAOptions> options_;
};

} // namespace fen

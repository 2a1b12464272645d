#pragma once

#include "platform/foundation/Signal.h"

#include <cstdint>
#include <optional>

namespace fen {

// The layer selector's model: the index of the chosen button, 0 for behind the page content and
// 1 for in front of it. Every assignment announces a change, also an unchanged one. Main thread
// only.
class BackgroundForegroundModel {
public:
    std::int64_t selectionIdx() const { return selectionIdx_; }
    void setSelectionIdx(std::int64_t index) {
        selectionIdx_ = index;
        changed();
    }

    // The index that shows a watermark's in-background flag, and the flag an index stands for
    // (none for an index that is neither 0 nor 1).
    static std::int64_t indexFor(bool isInBackground) { return isInBackground ? 0 : 1; }
    static std::optional<bool> flagFor(std::int64_t index) {
        if (index == 0 || index == 1) {
            return index == 0;
        }
        return std::nullopt;
    }

    Signal<> changed;

private:
    std::int64_t selectionIdx_ = 0;
};

} // namespace fen

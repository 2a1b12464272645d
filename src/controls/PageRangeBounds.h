#pragma once

#include <algorithm>
#include <cstdint>

namespace fen {

// The bounds of the page range rows, from the editor's current numbers: the range's start
// cannot pass its end, the end cannot fall below the start nor pass the document's last page
// (unless the start already lies beyond it), and the first number lies between 1 and the last
// page.
struct PageRangeBounds {
    std::int64_t fromMin, fromMax, toMin, toMax, startMin, startMax;

    static PageRangeBounds of(std::int64_t fromPage, std::int64_t toPage, std::int64_t maxPage) {
        return {1,
                std::max<std::int64_t>(toPage, 1),
                std::max<std::int64_t>(fromPage, 1),
                std::max({fromPage, maxPage, std::int64_t(1)}),
                1,
                std::max<std::int64_t>(maxPage, 1)};
    }
    bool operator==(const PageRangeBounds&) const = default;
};

} // namespace fen

#pragma once

#include "model/Json.h"

#include <cstdint>

namespace fen {

// The page range of a page-number watermark: pages fromPage to toPage get a number, and the
// number printed on a page is page - fromPage + startAt. maxPage is kept for the range editor
// and plays no part in drawing. Nothing checks the relations (fromPage above toPage is kept).
struct PageNumberConfiguration {
    std::int64_t fromPage = 1;
    std::int64_t toPage = 1;
    std::int64_t startAt = 1;
    std::int64_t maxPage = 1;

    bool operator==(const PageNumberConfiguration&) const = default;
};

// {"fromPage":1,"toPage":2,"startAt":1,"maxPage":2}; all members required.
void to_json(Json& j, const PageNumberConfiguration& conf);
void from_json(const Json& j, PageNumberConfiguration& conf);

} // namespace fen

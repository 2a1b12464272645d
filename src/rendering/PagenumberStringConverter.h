#pragma once

#include "model/OtherStyles.h"

#include <cstdint>
#include <string>

namespace fen {

// Fills the tags of a page-number format ("#currentPage", "#totalPages", "#lastPage") with
// numbers written in a numbering style.
class PagenumberStringConverter {
public:
    // Replaces every "#currentPage" with `current`, then every "#totalPages" with `total`, then
    // every "#lastPage" with `last`: literally and case-sensitively. Every number is written in
    // `style` with the width of the total's plain decimal text, so zero-padded numbers all have
    // the total's length ("007" beside "120").
    static std::string formatPageNumberText(std::int64_t current, std::int64_t total,
                                            std::int64_t last, const std::string& format,
                                            OtherStyles style);
};

} // namespace fen

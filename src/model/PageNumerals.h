#pragma once

#include "model/OtherStyles.h"

#include <cstdint>
#include <string>

namespace fen {

// The text of one page number in a numbering style. `width` matters to style2 only: the page-
// number filler passes the character count of the total's plain text, so that 007 stands beside
// 120.
std::string formattedPageNumber(std::int64_t number, std::int64_t width, OtherStyles style);

// printf's "%0<width>d": at least `width` characters, leading zeros, never cut (1234 for width 3),
// a minus sign inside the width (-05). A negative width left-aligns with spaces, as printf does.
std::string zeroPaddedNumber(std::int64_t width, std::int64_t number);

// The upper-case Roman numeral from fixed digit tables: thousands as runs of M (4000 = MMMM),
// "" for 0, and "####" for 10000 and above and for every negative number.
std::string romanNumeral(std::int64_t number);

// The upper-case letter numeral in bijective base 26, as spreadsheet columns are named (1 = A,
// 27 = AA). Numbers below 1 give one character from "(" to "A", the code 65 plus the truncated
// remainder of number - 1 by 26 (0 gives "@").
std::string alphabeticNumeral(std::int64_t number);

} // namespace fen

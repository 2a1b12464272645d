#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace fen {

// Greedy row breaking of the wrapping layout: items go left to right onto the current row while
// the remaining width minus (item width + spacing) stays at least zero; otherwise a new row
// starts with the item. The spacing counts after every item, the last of a row too. An item not
// measured yet counts as the whole width. Rows hold item positions, so an item that repeats (a
// word written twice) keeps each place. The first row may stay empty (an item wider than the
// width, or unmeasured, opens a row of its own); empty input gives one empty row.
std::vector<std::vector<std::size_t>> computeRows(double availableWidth,
                                                  const std::vector<std::optional<double>>& widths,
                                                  double spacing);

} // namespace fen

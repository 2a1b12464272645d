#include "controls/FlexibleRows.h"

namespace fen {

std::vector<std::vector<std::size_t>> computeRows(double availableWidth,
                                                  const std::vector<std::optional<double>>& widths,
                                                  double spacing) {
    std::vector<std::vector<std::size_t>> rows(1);
    double remaining = availableWidth;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const double width = widths[i].value_or(availableWidth);
        if (remaining - (width + spacing) >= 0) {
            rows.back().push_back(i);
        } else {
            rows.push_back({i});
            remaining = availableWidth;
        }
        remaining -= width + spacing;
    }
    return rows;
}

} // namespace fen

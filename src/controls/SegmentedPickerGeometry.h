#pragma once

#include <vector>

namespace fen {

// A tab's frame in window coordinates (x grows to the right).
struct TabFrame {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// Where the selection bar of the segmented tab row lies: as wide as the selected tab, its leading
// edge `leadingPadding` from the leading edge of the first tab. In a left-to-right layout the
// padding is the selected tab's x minus the first tab's x; right to left it is the negative of that
// difference. Frames not yet measured are zero: the bar then has no width and no padding.
struct SelectionBar {
    double width = 0;
    double leadingPadding = 0;
};

SelectionBar selectionBar(const std::vector<TabFrame>& frames, int selection, bool rightToLeft);

} // namespace fen

#include "controls/SegmentedPickerGeometry.h"

#include <cstddef>

namespace fen {

SelectionBar selectionBar(const std::vector<TabFrame>& frames, int selection, bool rightToLeft) {
    if (frames.empty() || selection < 0 || static_cast<std::size_t>(selection) >= frames.size()) {
        return {};
    }
    const double difference = frames[static_cast<std::size_t>(selection)].x - frames.front().x;
    return {frames[static_cast<std::size_t>(selection)].width,
            rightToLeft ? -difference : difference};
}

} // namespace fen

#include "intents/IntentPositions.h"

#include <cstdint>

namespace fen {

Positions positionsValue(IntentPositions position) {
    // Positions case numbers, indexed by the action case's place.
    static constexpr std::array<std::uint8_t, 11> table = {1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13};
    return static_cast<Positions>(table[static_cast<std::size_t>(position)]);
}

} // namespace fen

#include "intents/IntentPositions.h"

namespace fen {

Positions positionsValue(IntentPositions position) {
    for (Positions placement : allCases<Positions>()) {
        if (caseName(placement) == rawValue(position)) {
            return placement;
        }
    }
    // Not reached: every raw value is the case name of a placement.
    return Positions::none;
}

} // namespace fen

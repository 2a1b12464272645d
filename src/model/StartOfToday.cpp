#include "model/StartOfToday.h"

namespace fen {

Date startOfToday(Date now) {
    return startOfDay(now);
}

} // namespace fen

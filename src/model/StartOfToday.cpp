#include "model/StartOfToday.h"

namespace fen {

Date startOfToday() {
    return startOfDay(Date::now());
}

} // namespace fen

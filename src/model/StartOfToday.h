#pragma once

#include "platform/foundation/Dates.h"

namespace fen {

// Today at 00:00 in the local time zone; `now` when no such time can be made. The default date of
// new stamps and of converted stamp presets and QR codes. `now` is there for tests, which fix the
// clock.
Date startOfToday(Date now = Date::now());

} // namespace fen

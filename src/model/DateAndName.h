#pragma once

#include "model/Json.h"
#include "platform/foundation/Dates.h"

#include <string>

namespace fen {

// The date-and-name line of a stamp. The stamp image always prints dateValue; isDateCurrent only
// records that the user chose today rather than a fixed date (the panel re-dates such stamps).
struct DateAndName {
    bool isIncluded = false;
    bool isNameActive = false;
    std::string nameValue;
    bool isDateActive = false;
    Date dateValue;
    bool isDateCurrent = false;

    bool operator==(const DateAndName&) const = default;
};

// All six members required; "dateValue" is seconds since 2001-01-01 UTC.
void to_json(Json& j, const DateAndName& line);
void from_json(const Json& j, DateAndName& line);

} // namespace fen

#pragma once

#include <chrono>
#include <string>

namespace fen {

// A point in time as the platform keeps it: seconds (with fractions) since 2001-01-01 00:00 UTC,
// the "reference date". Stored records write dates in this form.
struct Date {
    double secondsSinceReferenceDate = 0;

    static Date now();
    static Date fromUnixSeconds(double seconds) { return Date{seconds - kReferenceToUnix}; }
    double unixSeconds() const { return secondsSinceReferenceDate + kReferenceToUnix; }

    // Seconds from 1970-01-01 to 2001-01-01.
    static constexpr double kReferenceToUnix = 978307200.0;

    auto operator<=>(const Date&) const = default;
};

// The user's locale for formatting (from LC_ALL / LC_TIME / LANG, "en_US" when none is set),
// as an ICU locale identifier such as "de_DE".
std::string userLocale();

// A long-style date without time in `locale` and the local time zone ("March 5, 2024" in en_US,
// "5. März 2024" in de_DE). An empty locale means userLocale().
std::string formatLongDate(const Date& date, const std::string& locale = {});

// Formats with an ICU pattern in a fixed time zone and a Gregorian calendar with ASCII digits
// (for machine-read texts such as iCalendar times).
std::string formatDatePattern(const Date& date, const std::string& pattern,
                              const std::string& timeZone = "UTC");

// Midnight at the start of the day that contains `date`, in the local time zone.
Date startOfDay(const Date& date);

} // namespace fen

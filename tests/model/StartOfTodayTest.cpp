#include "model/StartOfToday.h"

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

using namespace fen;
using fen::test::ScopedTimeZone;

// A fixed clock in a zone with daylight-saving time (given as a rule, so no time-zone database is
// needed): the last second of a day, a day's first second, and the days the clocks change.
TEST(StartOfToday, IsLocalMidnightOfTheDayOfNow) {
    ScopedTimeZone central("CET-1CEST,M3.5.0,M10.5.0/3");
    const struct {
        double now, midnight; // Unix seconds
        const char* what;
    } cases[] = {
        {1705359599, 1705273200, "2024-01-15 23:59:59 CET"},
        {1705359600, 1705359600, "2024-01-16 00:00:00 CET"},
        {1711879200, 1711839600, "2024-03-31 12:00 CEST, a day of 23 hours"},
        {1730069999, 1729980000, "2024-10-27 23:59:59 CET, a day of 25 hours"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(startOfToday(Date::fromUnixSeconds(c.now)).unixSeconds(), c.midnight) << c.what;
    }
}

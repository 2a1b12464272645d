#include "model/StartOfToday.h"

#include <ctime>
#include <gtest/gtest.h>

using namespace fen;

TEST(StartOfToday, IsLocalMidnightOfToday) {
    Date before = Date::now();
    Date today = startOfToday();
    EXPECT_LE(today, before);
    EXPECT_GT(today.secondsSinceReferenceDate, before.secondsSinceReferenceDate - 25 * 3600);
    auto seconds = static_cast<time_t>(today.unixSeconds());
    std::tm local{};
    ASSERT_NE(localtime_r(&seconds, &local), nullptr);
    EXPECT_EQ(local.tm_hour, 0);
    EXPECT_EQ(local.tm_min, 0);
    EXPECT_EQ(local.tm_sec, 0);
}

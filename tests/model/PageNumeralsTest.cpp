#include "model/PageNumerals.h"

#include <climits>
#include <gtest/gtest.h>

using namespace fen;

TEST(PageNumerals, PlainAndZeroPadded) {
    EXPECT_EQ(formattedPageNumber(0, 3, OtherStyles::style1), "0");
    EXPECT_EQ(formattedPageNumber(-3, 3, OtherStyles::style1), "-3");
    EXPECT_EQ(formattedPageNumber(1234567, 1, OtherStyles::style1), "1234567");
    EXPECT_EQ(formattedPageNumber(7, 3, OtherStyles::style2), "007");
    EXPECT_EQ(formattedPageNumber(120, 3, OtherStyles::style2), "120");
    EXPECT_EQ(formattedPageNumber(1234, 3, OtherStyles::style2), "1234");
    EXPECT_EQ(formattedPageNumber(7, 1, OtherStyles::style2), "7");
    EXPECT_EQ(zeroPaddedNumber(3, -5), "-05");
    EXPECT_EQ(zeroPaddedNumber(0, 42), "42");
    EXPECT_EQ(zeroPaddedNumber(-4, 7), "7   "); // printf's "%0-4d": left-aligned
    EXPECT_EQ(zeroPaddedNumber(12, 5000000000), "005000000000");
}

TEST(PageNumerals, Roman) {
    EXPECT_EQ(romanNumeral(0), "");
    EXPECT_EQ(romanNumeral(1994), "MCMXCIV");
    EXPECT_EQ(romanNumeral(3999), "MMMCMXCIX");
    EXPECT_EQ(romanNumeral(4000), "MMMM");
    EXPECT_EQ(romanNumeral(9999), "MMMMMMMMMCMXCIX");
    EXPECT_EQ(romanNumeral(10000), "####");
    EXPECT_EQ(romanNumeral(-1), "####");
    EXPECT_EQ(romanNumeral(INT64_MIN), "####");
    EXPECT_EQ(formattedPageNumber(14, 0, OtherStyles::style4), "xiv");
    EXPECT_EQ(formattedPageNumber(14, 0, OtherStyles::style3), "XIV");
    EXPECT_EQ(formattedPageNumber(0, 0, OtherStyles::style4), "");
    EXPECT_EQ(formattedPageNumber(-7, 0, OtherStyles::style4), "####");
    EXPECT_EQ(formattedPageNumber(10000, 0, OtherStyles::style3), "####");
}

TEST(PageNumerals, Letters) {
    EXPECT_EQ(alphabeticNumeral(1), "A");
    EXPECT_EQ(alphabeticNumeral(26), "Z");
    EXPECT_EQ(alphabeticNumeral(27), "AA");
    EXPECT_EQ(alphabeticNumeral(52), "AZ");
    EXPECT_EQ(alphabeticNumeral(53), "BA");
    EXPECT_EQ(alphabeticNumeral(702), "ZZ");
    EXPECT_EQ(alphabeticNumeral(703), "AAA");
    EXPECT_EQ(formattedPageNumber(28, 0, OtherStyles::style6), "ab");
    EXPECT_EQ(formattedPageNumber(0, 0, OtherStyles::style5), "@");
    EXPECT_EQ(formattedPageNumber(0, 0, OtherStyles::style6), "@");
    EXPECT_EQ(alphabeticNumeral(-30), "<");
    EXPECT_EQ(alphabeticNumeral(-25), "A");
    EXPECT_EQ(alphabeticNumeral(-24), "(");
    // The lowest int64 must not overflow when one is taken off; 2^63 mod 26 = 8, so the
    // remainder of (-2^63 - 1) is -9.
    EXPECT_EQ(alphabeticNumeral(INT64_MIN), std::string(1, static_cast<char>(65 - 9)));
    EXPECT_EQ(alphabeticNumeral(INT64_MAX).size(), 14u);
}

TEST(OtherStyles, Labels) {
    EXPECT_EQ(styleLabel(OtherStyles::style1), "1, 2, 3...");
    EXPECT_EQ(styleLabel(OtherStyles::style2), "001, 002, 003...");
    EXPECT_EQ(styleLabel(OtherStyles::style6), "a, b, c...");
    EXPECT_EQ(allCases<OtherStyles>().size(), 6u);
}

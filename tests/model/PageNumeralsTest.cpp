#include "model/PageNumerals.h"

#include <climits>
#include <gtest/gtest.h>
#include <tuple>

using namespace fen;

TEST(PageNumerals, EveryStyleWithItsPaddingAndOutOfRangeMarks) {
    using S = OtherStyles;
    const std::tuple<std::int64_t, std::int64_t, S, const char*> cases[] = {
        {0, 3, S::style1, "0"},   {-3, 3, S::style1, "-3"},   {1234567, 1, S::style1, "1234567"},
        {7, 3, S::style2, "007"}, {120, 3, S::style2, "120"}, {1234, 3, S::style2, "1234"},
        {7, 1, S::style2, "7"},   {14, 0, S::style3, "XIV"},  {14, 0, S::style4, "xiv"},
        {0, 0, S::style4, ""},    {-7, 0, S::style4, "####"}, {10000, 0, S::style3, "####"},
        {28, 0, S::style6, "ab"}, {0, 0, S::style5, "@"},     {0, 0, S::style6, "@"},
    };
    for (auto [number, width, style, expected] : cases) {
        EXPECT_EQ(formattedPageNumber(number, width, style), expected)
            << number << " " << width << " " << caseName(style);
    }
}

TEST(PageNumerals, ZeroPaddedAsPrintfWithACappedWidth) {
    EXPECT_EQ(zeroPaddedNumber(3, -5), "-05");
    EXPECT_EQ(zeroPaddedNumber(0, 42), "42");
    EXPECT_EQ(zeroPaddedNumber(-4, 7), "7   "); // printf's "%0-4d": left-aligned
    EXPECT_EQ(zeroPaddedNumber(12, 5000000000), "005000000000");
    // A damaged record's width never asks for gigabytes of padding.
    EXPECT_EQ(zeroPaddedNumber(INT64_MAX, 1).size(), 4096u);
    EXPECT_EQ(zeroPaddedNumber(INT64_MIN, 1).size(), 4096u);
}

TEST(PageNumerals, RomanAndLettersAtTheirLimits) {
    const std::pair<std::int64_t, const char*> roman[] = {
        {0, ""},        {1994, "MCMXCIV"},         {3999, "MMMCMXCIX"},
        {4000, "MMMM"}, {9999, "MMMMMMMMMCMXCIX"}, {10000, "####"},
        {-1, "####"},   {INT64_MIN, "####"},
    };
    for (auto [number, expected] : roman) {
        EXPECT_EQ(romanNumeral(number), expected) << number;
    }
    const std::pair<std::int64_t, const char*> letters[] = {
        {1, "A"},    {26, "Z"},    {27, "AA"}, {52, "AZ"}, {53, "BA"},
        {702, "ZZ"}, {703, "AAA"}, {-30, "<"}, {-25, "A"}, {-24, "("},
    };
    for (auto [number, expected] : letters) {
        EXPECT_EQ(alphabeticNumeral(number), expected) << number;
    }
    // The lowest int64 must not overflow when one is taken off; 2^63 mod 26 = 8, so the
    // remainder of (-2^63 - 1) is -9.
    EXPECT_EQ(alphabeticNumeral(INT64_MIN), std::string(1, static_cast<char>(65 - 9)));
    EXPECT_EQ(alphabeticNumeral(INT64_MAX).size(), 14u);
}

#include "model/ColorHex.h"

#include <gtest/gtest.h>
#include <limits>
#include <utility>

using namespace fen;

// Components are clamped (NaN as 0) and greys are RGB, so white is never stored as black; every
// written text reads back as itself.
TEST(ColorHex, WritesSixUpperCaseDigitsThatReadBack) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<gfx::Color, const char*> cases[] = {
        {{1, 0, 0, 1}, "FF0000"},
        {{0.5, 0.5, 0.5, 1}, "808080"}, // 127.5 rounds up
        {{1, 1, 1, 1}, "FFFFFF"},
        {{0, 0, 0, 0.2}, "000000"},
        {{10.0 / 255, 171.0 / 255, 1, 1}, "0AABFF"},
        {{1.5, -0.25, 2, 1}, "FF00FF"},
        {{nan, inf, -inf, 1}, "00FF00"},
    };
    for (const auto& [color, hex] : cases) {
        EXPECT_EQ(colorHexString(color), hex);
        EXPECT_EQ(colorHexString(colorFromHex(hex)), hex);
    }
}

TEST(ColorHex, ReadsPairsOfUserPerceivedCharacters) {
    const gfx::Color black{0, 0, 0, 1};
    const gfx::Color orange{1, 128.0 / 255, 0, 1};
    const std::pair<const char*, gfx::Color> cases[] = {
        {"#FF8000", orange},
        {"FF#80#00", orange},
        {"FF8000AA", orange},
        {"GG0000", black},
        {"F G 0x", {15.0 / 255, 0, 0, 1}}, // "F ", "G ", "0x" as strtoul reads them
        // "g" + combining acute is one character: the pairs are "Fǵ", "00", "FF".
        {"Fg\u030100FF", {15.0 / 255, 0, 1, 1}},
        // Five characters, though more than six bytes: too short.
        {"\u00E9\u00E9\u00E9\u00E9\u00E9", black},
        {"#FFF", black},
        {"", black},
        // strtoul would wrap "-1" around to a huge value; a signed pair reads as 0.
        {"-1FF00", {0, 1, 0, 1}},
    };
    for (const auto& [text, color] : cases) {
        EXPECT_EQ(colorFromHex(text), color) << text;
    }
    EXPECT_EQ(uiColorFromHex("000000", 0.4), (gfx::Color{0, 0, 0, 0.4}));
}

#include "model/ColorHex.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace fen;

namespace {

void expectColor(const gfx::Color& c, double r, double g, double b, double a) {
    EXPECT_DOUBLE_EQ(c.red, r);
    EXPECT_DOUBLE_EQ(c.green, g);
    EXPECT_DOUBLE_EQ(c.blue, b);
    EXPECT_DOUBLE_EQ(c.alpha, a);
}

} // namespace

TEST(ColorHex, WritesSixUpperCaseDigits) {
    EXPECT_EQ(colorHexString({1, 0, 0, 1}), "FF0000");
    EXPECT_EQ(colorHexString({0.5, 0.5, 0.5, 1}), "808080"); // 127.5 rounds up
    EXPECT_EQ(colorHexString({0, 0, 0, 0.2}), "000000");
    EXPECT_EQ(colorHexString({10.0 / 255, 171.0 / 255, 1, 1}), "0AABFF");
}

TEST(ColorHex, GreysAreRgbSoWhiteStaysWhite) {
    EXPECT_EQ(colorHexString({1, 1, 1, 1}), "FFFFFF");
    EXPECT_EQ(colorHexString({0, 0, 0, 1}), "000000");
}

TEST(ColorHex, ComponentsAreClampedBeforeWriting) {
    EXPECT_EQ(colorHexString({1.5, -0.25, 2, 1}), "FF00FF");
    double nan = std::numeric_limits<double>::quiet_NaN();
    double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(colorHexString({nan, inf, -inf, 1}), "00FF00");
}

TEST(ColorHex, ReadsPairsIgnoringHashesAndCase) {
    for (const char* text : {"#FF8000", "FF8000", "FF#80#00", "ff8000", "FF8000AA"}) {
        SCOPED_TRACE(text);
        expectColor(colorFromHex(text), 1, 128.0 / 255, 0, 1);
    }
    expectColor(colorFromHex("GG0000"), 0, 0, 0, 1);
    expectColor(colorFromHex("F G 0x"), 15.0 / 255, 0, 0, 1); // "F ", "G ", "0x"
    expectColor(colorFromHex(" F+A0F"), 15.0 / 255, 10.0 / 255, 15.0 / 255, 1);
    expectColor(uiColorFromHex("000000", 0.4), 0, 0, 0, 0.4);
}

TEST(ColorHex, ReadsUserPerceivedCharacters) {
    // "g" + combining acute is one character: the pairs are "Fǵ", "00", "FF".
    expectColor(colorFromHex("Fg\xCC\x81"
                             "00FF"),
                15.0 / 255, 0, 1, 1);
    // Its reading stops at the first non-digit, so "Fe" + combining acute reads as FE.
    expectColor(colorFromHex("Fe\xCC\x81"
                             "0000"),
                254.0 / 255, 0, 0, 1);
    // Five characters, though more than six bytes: too short.
    expectColor(colorFromHex("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"), 0, 0, 0, 1);
}

TEST(ColorHex, ShortAndSignedTextsGiveSoundColours) {
    expectColor(colorFromHex("#FFF"), 0, 0, 0, 1);
    expectColor(colorFromHex(""), 0, 0, 0, 1);
    expectColor(uiColorFromHex("##", 0.5), 0, 0, 0, 0.5);
    // strtoul would wrap "-1" around to a huge value; a signed pair reads as 0.
    expectColor(colorFromHex("-1FF00"), 0, 1, 0, 1);
}

TEST(ColorHex, RoundTripOfWrittenTexts) {
    for (const gfx::Color& c :
         {gfx::Color{1, 0, 0, 1}, gfx::Color{0.2, 0.4, 0.6, 1}, gfx::Color{1, 1, 1, 1}}) {
        auto text = colorHexString(c);
        EXPECT_EQ(colorHexString(colorFromHex(text)), text);
    }
}

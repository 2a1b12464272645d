#include "rendering/FontResolution.h"

#include <gtest/gtest.h>

#include <thread>

using namespace fen;

TEST(FontResolution, StyleAmongTheFamilysFacesCapitalisedElseHelveticaNeueAtBodySize) {
    const std::tuple<const char*, const char*, double, const char*, double> cases[] = {
        {"Helvetica Neue", "Bold", 42, "Helvetica Neue Bold", 42},
        {"Helvetica Neue", "Bold Italic", 9, "Helvetica Neue Bold Italic", 9},
        // Any family of the system, and a family text that is itself a font name.
        {"DejaVu Sans", "Oblique", 11, "DejaVu Sans Oblique", 11},
        {"Nimbus Sans Bold", "Italic", 30, "Nimbus Sans Italic", 30},
        // DejaVu's face "ExtraLight" is found as "Extralight" only; the comparison is exact.
        {"DejaVu Sans", "Extralight", 20, "DejaVu Sans ExtraLight", 20},
        {"DejaVu Sans", "ExtraLight", 20, "Helvetica Neue Regular", 17},
        {"Helvetica Neue", "bold", 20, "Helvetica Neue Regular", 17},
        // Unknown families and styles fall back.
        {"Helvetica Neue", "Heavy", 64, "Helvetica Neue Regular", 17},
        {"No Such Family", "Bold", 64, "Helvetica Neue Regular", 17},
        {"", "", 64, "Helvetica Neue Regular", 17},
        {"Sans", "Regular", 64, "Helvetica Neue Regular", 17},
    };
    for (const auto& [family, style, size, fontName, pointSize] : cases) {
        auto font = resolvedFont(family, style, size);
        ASSERT_TRUE(font) << family << " " << style;
        EXPECT_EQ(font->fontName(), fontName) << family << " " << style;
        EXPECT_EQ(font->pointSize(), pointSize) << family << " " << style;
    }
    EXPECT_EQ(capitalizedStyleName("ExtraLight"), "Extralight");
    EXPECT_EQ(capitalizedStyleName("bold italic"), "Bold Italic");
    EXPECT_EQ(capitalizedStyleName("SEMI-BOLD"), "Semi-Bold");
    EXPECT_EQ(capitalizedStyleName(""), "");
    // Each thread keeps its own case map: another thread cases as this one does.
    std::string other;
    std::thread([&other] { other = capitalizedStyleName("bold italic"); }).join();
    EXPECT_EQ(other, "Bold Italic");
    EXPECT_EQ(capitalizedStyleName("bold italic"), "Bold Italic");
}

#include "rendering/FontResolution.h"

#include "model/FontSetting.h"
#include "platform/text/FontCatalog.h"

#include <gtest/gtest.h>

using namespace fen;

TEST(FontResolution, StyleFoundAmongTheFamilysFacesAtTheRequestedSize) {
    auto bold = resolvedFont("Helvetica Neue", "Bold", 42);
    ASSERT_TRUE(bold);
    EXPECT_EQ(bold->fontName(), "Helvetica Neue Bold");
    EXPECT_EQ(bold->pointSize(), 42);

    auto boldItalic = resolvedFont("Helvetica Neue", "Bold Italic", 9);
    ASSERT_TRUE(boldItalic);
    EXPECT_EQ(boldItalic->styleName(), "Bold Italic");

    // Any family of the system, and a family text that is itself a font name.
    auto dejavu = resolvedFont("DejaVu Sans", "Oblique", 11);
    ASSERT_TRUE(dejavu);
    EXPECT_EQ(dejavu->fontName(), "DejaVu Sans Oblique");
    auto viaFontName = resolvedFont("Nimbus Sans Bold", "Italic", 30);
    ASSERT_TRUE(viaFontName);
    EXPECT_EQ(viaFontName->fontName(), "Nimbus Sans Italic");
    EXPECT_EQ(viaFontName->pointSize(), 30);
}

TEST(FontResolution, StylesAreComparedCapitalised) {
    EXPECT_EQ(capitalizedStyleName("ExtraLight"), "Extralight");
    EXPECT_EQ(capitalizedStyleName("bold italic"), "Bold Italic");
    EXPECT_EQ(capitalizedStyleName("SEMI-BOLD"), "Semi-Bold");
    EXPECT_EQ(capitalizedStyleName(""), "");
    // DejaVu's face "ExtraLight" is found as "Extralight" only.
    auto light = resolvedFont("DejaVu Sans", "Extralight", 20);
    ASSERT_TRUE(light);
    EXPECT_EQ(light->styleName(), "ExtraLight");
    EXPECT_EQ(light->pointSize(), 20);
    auto asStored = resolvedFont("DejaVu Sans", "ExtraLight", 20);
    ASSERT_TRUE(asStored);
    EXPECT_EQ(asStored->fontName(), "Helvetica Neue Regular"); // the fallback
    // The comparison is exact: a lower-case style is not found.
    EXPECT_EQ(resolvedFont("Helvetica Neue", "bold", 20)->fontName(), "Helvetica Neue Regular");
}

TEST(FontResolution, UnknownFamilyOrStyleFallsBackToHelveticaNeueAtBodySize) {
    for (auto [family, style] :
         {std::pair{"Helvetica Neue", "Heavy"}, std::pair{"No Such Family", "Bold"},
          std::pair{"", ""}, std::pair{"Sans", "Regular"}}) {
        auto font = resolvedFont(family, style, 64);
        ASSERT_TRUE(font) << family;
        EXPECT_EQ(font->familyName(), "Helvetica Neue") << family;
        EXPECT_EQ(font->styleName(), "Regular") << family;
        EXPECT_EQ(font->pointSize(), 17) << family;
    }
}

TEST(FontResolution, DefaultsOfANewFontSettingComeFromTheFonts) {
    EXPECT_EQ(defaultFontStyle(), "Regular");
    EXPECT_EQ(defaultFontSize(), 17);
    EXPECT_EQ(FontSetting::defaultFamilyName(), "Helvetica Neue");
    EXPECT_EQ(FontSetting::defaultStyle(), defaultFontStyle());
    EXPECT_EQ(FontSetting::defaultSize(), defaultFontSize());
    FontSetting fresh;
    auto font = resolvedFont(fresh.familyname, fresh.style, static_cast<double>(fresh.size));
    ASSERT_TRUE(font);
    EXPECT_EQ(font->fontName(), "Helvetica Neue Regular");
    EXPECT_EQ(font->pointSize(), 17);
}

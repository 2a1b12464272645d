#include "platform/text/Font.h"
#include "platform/text/FontCatalog.h"
#include "platform/text/TextSystem.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

using namespace fen::text;

namespace {

// The family and face of the font file pango actually loads for `font`.
std::string loadedDescription(const Font& font) {
    PangoContext* context = pango_font_map_create_context(TextSystem::fontMap());
    PangoFont* loaded =
        pango_font_map_load_font(TextSystem::fontMap(), context, font.pangoDescription());
    PangoFontDescription* described = pango_font_describe_with_absolute_size(loaded);
    char* text = pango_font_description_to_string(described);
    std::string result = text;
    g_free(text);
    pango_font_description_free(described);
    g_object_unref(loaded);
    g_object_unref(context);
    return result;
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

TEST(TextFont, FamiliesIncludeTheAliasWithTheFacesOfNimbusSansAndNoGenericNames) {
    auto families = FontCatalog::familyNames();
    for (const char* family : {"Helvetica Neue", "Nimbus Sans", "DejaVu Sans"}) {
        EXPECT_TRUE(contains(families, family)) << family;
    }
    EXPECT_FALSE(contains(families, "Sans"));
    EXPECT_FALSE(contains(families, "Monospace"));
    auto faces = FontCatalog::faces("Helvetica Neue");
    auto stand = FontCatalog::faces("Nimbus Sans");
    ASSERT_EQ(faces.size(), stand.size());
    ASSERT_FALSE(faces.empty());
    for (std::size_t i = 0; i < faces.size(); ++i) {
        EXPECT_EQ(faces[i].fontName, "Helvetica Neue " + stand[i].styleName);
    }
    EXPECT_EQ(FontCatalog::fontNames("helvetica neue").front(), faces.front().fontName);
    EXPECT_TRUE(FontCatalog::faces("No Such Family Anywhere").empty());
    EXPECT_TRUE(FontCatalog::faces("Sans").empty()); // generic: no faces of its own
}

TEST(TextFont, FontsByNameFamilyAndStyleHelveticaNeueLoadingNimbusSans) {
    ASSERT_TRUE(TextSystem::configurationLoaded());
    auto bold = Font::named("Helvetica Neue Bold", 800);
    ASSERT_TRUE(bold);
    EXPECT_EQ(
        std::tuple(bold->familyName(), bold->styleName(), bold->fontName(), bold->pointSize()),
        std::tuple("Helvetica Neue", "Bold", "Helvetica Neue Bold", 800.0));
    EXPECT_EQ(loadedDescription(*bold), "Nimbus Sans Bold 800px");

    EXPECT_EQ(loadedDescription(*Font::named("helvetica neue", 12.5)), "Nimbus Sans 12.5px");

    EXPECT_EQ(Font::make("dejavu sans", "bold", 10).value().fontName(), "DejaVu Sans Bold");
    EXPECT_EQ(Font::named("DejaVu Sans", 10).value().styleName(), "Book");
    // The longest family wins: "DejaVu Sans Mono" rather than "DejaVu Sans" + "Mono Bold".
    auto mono = Font::named("DejaVu Sans Mono Bold", 10);
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->familyName(), "DejaVu Sans Mono");

    EXPECT_FALSE(Font::named("No Such Family", 12));
    EXPECT_FALSE(Font::named("Helvetica Neue Heavy", 12));
    EXPECT_FALSE(Font::make("Helvetica Neue", "Ultra", 12));
    EXPECT_FALSE(Font::make("Sans", "Regular", 12));
    EXPECT_FALSE(Font::named("", 12));
}

TEST(TextFont, SystemFontSizesAndEquality) {
    Font system = Font::systemFont(13);
    EXPECT_EQ(system.fontName(), "Helvetica Neue Regular");
    EXPECT_EQ(Font(), Font::systemFont(12));
    EXPECT_EQ(system.withSize(20).fontName(), system.fontName());
    EXPECT_FALSE(system == system.withSize(14));
    // Sizes that cannot be drawn fall back to the default size; enormous ones are capped.
    const std::pair<double, double> sizes[] = {
        {13, 13}, {0, 12}, {-3, 12}, {std::nan(""), 12}, {1e12, 100000}};
    for (auto [asked, got] : sizes) {
        EXPECT_EQ(Font::systemFont(asked).pointSize(), got) << asked;
    }
}

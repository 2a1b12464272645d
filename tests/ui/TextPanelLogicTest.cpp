// The text panel's rules without a widget: loading the bound record never writes, and a change
// writes one whole record only when it differs from the bound field.
#include "panels/TextPanelLogic.h"
#include "document/SettingsTabController.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

TextSettings tabStart() {
    return SettingsTabController::defaultTextSettings();
}

TEST(TextPanelLogic, OffersTheNineTextPositions) {
    const std::vector<Positions> expected{
        Positions::diagonal,     Positions::topleft,     Positions::topcenter,
        Positions::topright,     Positions::middle,      Positions::bottomleft,
        Positions::bottomcenter, Positions::bottomright, Positions::triple};
    EXPECT_EQ(TextPanelLogic::defaultPositionItems(), expected);
}

TEST(TextPanelLogic, LoadingReplacesThePlaceholdersAndWritesNothing) {
    TextPanelLogic panel(true);
    EXPECT_EQ(panel.colorOutline().color, (gfx::Color{1, 0, 0, 1}));
    EXPECT_EQ(panel.opacity(), 0);
    EXPECT_EQ(panel.font().size, 0);
    panel.load(tabStart());
    EXPECT_EQ(panel.position(), Positions::diagonal);
    EXPECT_EQ(panel.font(), tabStart().font);
    EXPECT_EQ(panel.colorOutline(), tabStart().colorOutline);
    EXPECT_EQ(panel.opacity(), 40);
    EXPECT_FALSE(panel.isInBackground());
    // The controls then show the loaded values; setting them writes nothing.
    EXPECT_FALSE(panel.setPosition(panel.position()));
    EXPECT_FALSE(panel.setFont(panel.font()));
    EXPECT_FALSE(panel.setColorOutline(panel.colorOutline()));
    EXPECT_FALSE(panel.setOpacity(panel.opacity()));
    EXPECT_FALSE(panel.setIsInBackground(panel.isInBackground()));
}

TEST(TextPanelLogic, EachChangeWritesOneWholeRecord) {
    TextPanelLogic panel(true);
    panel.load(tabStart());
    TextSettings expected = tabStart();

    expected.position = Positions::topright;
    EXPECT_EQ(panel.setPosition(Positions::topright), expected);
    expected.opacity = 55;
    EXPECT_EQ(panel.setOpacity(55), expected);
    expected.colorOutline.isOutlined = true;
    EXPECT_EQ(panel.setColorOutline(ColorOutlineSetting{tabStart().colorOutline.color, true}),
              expected)
        << "the outline alone changes; the colour stays";
    expected.font = FontSetting{"DejaVu Sans", "Bold", 30};
    EXPECT_EQ(panel.setFont(expected.font), expected);
    expected.isWatermarkInBackground = true;
    EXPECT_EQ(panel.setIsInBackground(true), expected);
    EXPECT_EQ(panel.bound(), expected);
    EXPECT_FALSE(panel.setOpacity(55)) << "the bound record already holds it";
}

TEST(TextPanelLogic, APresetDifferingInEveryFieldLoadsWithoutAWrite) {
    TextPanelLogic panel(true);
    panel.load(tabStart());
    TextSettings preset;
    preset.position = Positions::triple;
    preset.font = FontSetting{"DejaVu Serif", "Italic", 12};
    preset.colorOutline = ColorOutlineSetting{gfx::Color{0, 0, 1, 1}, true};
    preset.opacity = 90;
    preset.isWatermarkInBackground = true;
    panel.load(preset);
    EXPECT_EQ(panel.position(), Positions::triple);
    EXPECT_EQ(panel.font(), preset.font);
    EXPECT_EQ(panel.colorOutline(), preset.colorOutline);
    EXPECT_EQ(panel.opacity(), 90);
    EXPECT_TRUE(panel.isInBackground());
    EXPECT_FALSE(panel.setPosition(Positions::triple));
    EXPECT_FALSE(panel.setIsInBackground(true));
    // A change after the load builds on the loaded copies.
    TextSettings expected = preset;
    expected.opacity = 10;
    EXPECT_EQ(panel.setOpacity(10), expected);
}

TEST(TextPanelLogic, PositionsAreComparedByTheirKeys) {
    EXPECT_TRUE(TextPanelLogic::samePosition(Positions::middle, Positions::middle));
    EXPECT_FALSE(TextPanelLogic::samePosition(Positions::middle, Positions::triple));
}

} // namespace
} // namespace fen

// The colour controls' rules without a widget: the palette and its cells, the measures of the
// well and its grid, the swatch row that follows a colour, and the colour and outline editor's
// exchange with its record.
#include "controls/ColorAndTypeLogic.h"
#include "controls/DFColorWellGridModel.h"
#include "model/ColorHex.h"
#include "platform/foundation/Uuid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace fen {
namespace {

gfx::Color rgb(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0, 1};
}

TEST(DFColorWellGridModel, ThePaletteHoldsThirtyColoursFromTintsToGreys) {
    const auto palette = DFColorWellGridModel::palette();
    ASSERT_EQ(palette.size(), 30u);
    EXPECT_EQ(palette[0], rgb(105, 214, 255));
    EXPECT_EQ(DFColorWellGridModel::paletteHex()[0], "#69D6FF");
    EXPECT_EQ(palette[24], rgb(255, 255, 255));
    EXPECT_EQ(palette[29], rgb(0, 0, 0));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        EXPECT_EQ("#" + colorHexString(palette[i]), DFColorWellGridModel::paletteHex()[i]);
        EXPECT_EQ(palette[i].alpha, 1);
    }
}

TEST(DFColorWellGridModel, ThereAreSixColumnsSixPointsNarrowerThanACell) {
    for (const double width : {65.0, 20.0, 130.0}) {
        const auto columns = DFColorWellGridModel(width).columns();
        ASSERT_EQ(columns.size(), 6u);
        for (const GridColumn& column : columns) {
            EXPECT_EQ(column.width, width - 6);
        }
    }
    EXPECT_EQ(DFColorWellGridModel(65).columns()[0].width, 59);
}

TEST(DFColorWellGridModel, EveryCallMakesCellsWithNewIds) {
    const DFColorWellGridModel model(65);
    const auto first = model.colorWellGridCells();
    const auto second = model.colorWellGridCells();
    ASSERT_EQ(first.size(), 30u);
    ASSERT_EQ(second.size(), first.size());
    std::set<std::string> ids;
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].color, second[i].color);
        EXPECT_NE(first[i].id, second[i].id);
        EXPECT_NE(first[i], second[i]);
        EXPECT_TRUE(isUuidString(first[i].id));
        EXPECT_EQ(first[i].id, [&] {
            std::string upper = first[i].id;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            return upper;
        }());
        ids.insert(first[i].id);
    }
    EXPECT_EQ(ids.size(), 30u);

    const DFColorWellGridCell copy = first[3];
    EXPECT_EQ(copy, first[3]);
    EXPECT_EQ(std::hash<DFColorWellGridCell>{}(copy), std::hash<DFColorWellGridCell>{}(first[3]));
    EXPECT_NE((DFColorWellGridCell{newUuidString(), first[3].color}), first[3]);
    EXPECT_NE((DFColorWellGridCell{first[3].id, first[4].color}), first[3]);
}

TEST(ColorWellGeometry, AWellOfCellWidthFiftyAndItsGrid) {
    const ColorWellGeometry well{50};
    EXPECT_EQ(well.wellWidth(), 103);
    EXPECT_NEAR(well.wellHeight(), 29.78, 0.01);
    EXPECT_EQ(well.wellCornerRadius(), 7.25);
    EXPECT_EQ(well.colorHalf(false), (WellRect{1, 1, 50, 50 / 1.8}));
    EXPECT_EQ(well.wheelHalf(false), (WellRect{52, 1, 50, 50 / 1.8}));
    EXPECT_EQ(well.colorHalf(true), well.wheelHalf(false));

    const DFColorWellGridModel grid(well.gridCellWidth());
    EXPECT_EQ(grid.cellWidth(), 65);
    EXPECT_EQ(grid.gridWidth(), 400);
    EXPECT_EQ(grid.gridWidth() + 2 * DFColorWellGridModel::padding, 412);
    EXPECT_NEAR(grid.swatchHeight(), 36.11, 0.01);
    EXPECT_NEAR(grid.gridHeight(), 5 * 36.11 + 8, 0.05);
    EXPECT_EQ(grid.gridCornerRadius(), 7.125);
    EXPECT_EQ(grid.markLineWidth(), 65 * 0.0625 + 1);
    // The swatches fill the grid's width, two points apart, row by row.
    EXPECT_EQ(grid.swatchRect(0).x, 0);
    EXPECT_EQ(grid.swatchRect(5).x + grid.swatchRect(5).width, 400);
    EXPECT_EQ(grid.swatchRect(1).x - (grid.swatchRect(0).x + 65), 2);
    EXPECT_EQ(grid.swatchRect(6).x, 0);
    EXPECT_NEAR(grid.swatchRect(6).y, 36.11 + 2, 0.01);
    EXPECT_NEAR(grid.swatchRect(29).y + grid.swatchRect(29).height, grid.gridHeight(), 1e-9);
}

TEST(ColorWellGeometry, TheHalvesAreRoundedOnTheirOuterCornersInEitherDirection) {
    const ColorWellGeometry well{50};
    const struct {
        bool rtl;
        int color;
        int wheel;
    } cases[] = {
        {false, topLeftCorner | bottomLeftCorner, topRightCorner | bottomRightCorner},
        {true, topRightCorner | bottomRightCorner, topLeftCorner | bottomLeftCorner},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(well.colorHalfCorners(c.rtl), c.color) << c.rtl;
        EXPECT_EQ(well.wheelHalfCorners(c.rtl), c.wheel) << c.rtl;
    }
    EXPECT_EQ(well.colorHalf(true).x, 52);
    EXPECT_EQ(well.wheelHalf(true).x, 1);
}

TEST(SwatchRowLogic, TheSelectionFollowsTheColourAndTheColourFollowsTheChoice) {
    const gfx::Color sky = rgb(105, 214, 255);
    const gfx::Color nearlyRed{0.999, 0.001, 0, 1}; // "FF0000" as text, not equal to red
    const struct {
        const char* what;
        int startIdx;
        gfx::Color startColor;
        std::optional<int> choose;
        std::optional<gfx::Color> setColor;
        int idx;
        bool multicolor;
        gfx::Color color;
    } cases[] = {
        {"the multicolour swatch keeps black",
         0,
         SwatchRowLogic::black(),
         2,
         {},
         2,
         true,
         SwatchRowLogic::black()},
        {"red replaces black", 0, SwatchRowLogic::black(), 1, {}, 1, false, SwatchRowLogic::red()},
        {"black replaces a custom colour", 2, sky, 0, {}, 0, false, SwatchRowLogic::black()},
        {"the chosen swatch again changes nothing", 2, sky, 2, {}, 2, true, sky},
        {"a well pick with black's text selects black",
         2,
         sky,
         {},
         rgb(0, 0, 0),
         0,
         false,
         SwatchRowLogic::black()},
        {"a colour with red's text selects red", 2, sky, {}, nearlyRed, 1, false, nearlyRed},
        {"a colour from outside selects the multicolour swatch",
         0,
         SwatchRowLogic::black(),
         {},
         sky,
         2,
         true,
         sky},
        {"choosing red keeps a colour with red's text only if equal",
         2,
         nearlyRed,
         1,
         {},
         1,
         false,
         SwatchRowLogic::red()},
    };
    for (const auto& c : cases) {
        SwatchRowLogic row(c.startIdx, c.startColor, c.startIdx == SwatchRowLogic::multicolorIndex);
        if (c.choose) {
            row.choose(*c.choose);
        }
        if (c.setColor) {
            row.setColor(*c.setColor);
        }
        EXPECT_EQ(row.selectedIdx(), c.idx) << c.what;
        EXPECT_EQ(row.isMulticolor(), c.multicolor) << c.what;
        EXPECT_EQ(row.color(), c.color) << c.what;
    }
}

struct ColourEditor {
    ColorAndTypeLogic logic{true, SwatchRowLogic::black()};
    std::vector<ColorOutlineSetting> writes;
    Connection counting =
        logic.settingEdited.connect([this](const ColorOutlineSetting& s) { writes.push_back(s); });
};

TEST(ColorAndTypeLogic, ALoadedRecordIsAppliedWholeAndNeverWrittenBack) {
    ColourEditor editor;
    editor.logic.loadSetting({SwatchRowLogic::red(), false});
    EXPECT_FALSE(editor.logic.isOutlined());
    EXPECT_EQ(editor.logic.swatches().selectedIdx(), SwatchRowLogic::redIndex);
    EXPECT_FALSE(editor.logic.showsWell());
    EXPECT_EQ(colorHexString(editor.logic.setting().color), "FF0000");

    // Every field changed, from outside, while shown: the row follows, nothing is written.
    const ColorOutlineSetting loaded{rgb(0x40, 0x9F, 0x0F), true};
    editor.logic.loadSetting(loaded);
    EXPECT_TRUE(editor.logic.isOutlined());
    EXPECT_EQ(editor.logic.swatches().selectedIdx(), SwatchRowLogic::multicolorIndex);
    EXPECT_TRUE(editor.logic.showsWell());
    EXPECT_TRUE(editor.writes.empty());

    // Then one edit writes a record that keeps the other loaded field.
    editor.logic.setOutlined(false);
    ASSERT_EQ(editor.writes.size(), 1u);
    EXPECT_EQ(editor.writes[0], (ColorOutlineSetting{loaded.color, false}));
}

TEST(ColorAndTypeLogic, EachEditWritesTheWholeRecordOnce) {
    ColourEditor editor;
    editor.logic.loadSetting({SwatchRowLogic::black(), false});
    editor.logic.setOutlined(true);
    editor.logic.chooseSwatch(SwatchRowLogic::multicolorIndex); // shows the well, keeps black
    EXPECT_TRUE(editor.logic.showsWell());
    editor.logic.pickColor(rgb(105, 214, 255));
    EXPECT_EQ(editor.logic.swatches().selectedIdx(), SwatchRowLogic::multicolorIndex);
    editor.logic.chooseSwatch(SwatchRowLogic::blackIndex);
    EXPECT_FALSE(editor.logic.showsWell());
    editor.logic.chooseSwatch(SwatchRowLogic::blackIndex); // chosen already
    const std::vector<ColorOutlineSetting> expected = {
        {SwatchRowLogic::black(), true},
        {rgb(105, 214, 255), true},
        {SwatchRowLogic::black(), true},
    };
    EXPECT_EQ(editor.writes, expected);

    // A pick whose text is red's selects the red swatch and hides the well.
    editor.logic.chooseSwatch(SwatchRowLogic::multicolorIndex);
    editor.logic.pickColor({1, 0, 0, 1});
    EXPECT_EQ(editor.logic.swatches().selectedIdx(), SwatchRowLogic::redIndex);
    EXPECT_FALSE(editor.logic.showsWell());
}

} // namespace
} // namespace fen

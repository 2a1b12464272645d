// The page-number panel's rules without a widget: each working copy writes a whole record only
// when the bound record does not hold its value, a record without a format keeps the format shown
// for the next edit, and the positions the grid offers.
#include "panels/PanelOtherLogic.h"

#include <gtest/gtest.h>

#include <functional>

namespace fen {
namespace {

const gfx::Color red{1, 0, 0, 1};

PageNumberSettings boundRecord() {
    PageNumberSettings settings;
    settings.numberTextColor = StampTextColor{"Page #currentPage", gfx::Color{0, 0, 1, 1}};
    settings.position = Positions::bottomright;
    settings.font = FontSetting{"DejaVu Sans", "Bold", 22};
    settings.pagenumberConf = PageNumberConfiguration{2, 5, 3, 7};
    settings.style = OtherStyles::style3;
    settings.distanceToEdge = DistanceToEdgeSetting{12, -4};
    return settings;
}

TEST(PanelOtherLogic, ACopyWritesTheWholeRecordOnlyWhenTheBoundFieldLacksItsValue) {
    using Setter = std::function<std::optional<PageNumberSettings>(PanelOtherLogic&, bool)>;
    struct Case {
        const char* field;
        // Sets the copy to the bound value (false) or to another one (true).
        Setter set;
        std::function<void(PageNumberSettings&)> expect;
    };
    const PageNumberSettings bound = boundRecord();
    const std::vector<Case> cases = {
        {"position",
         [&](PanelOtherLogic& l, bool other) {
             return l.setPosition(other ? Positions::topoddleft : bound.position);
         },
         [](PageNumberSettings& s) { s.position = Positions::topoddleft; }},
        {"font",
         [&](PanelOtherLogic& l, bool other) {
             return l.setFont(other ? FontSetting{"DejaVu Serif", "Book", 9} : bound.font);
         },
         [](PageNumberSettings& s) {
             s.font = FontSetting{"DejaVu Serif", "Book", 9};
         }},
        {"page range",
         [&](PanelOtherLogic& l, bool other) {
             return l.setPagenumberConf(other ? PageNumberConfiguration{3, 5, 3, 7}
                                              : bound.pagenumberConf);
         },
         [](PageNumberSettings& s) { s.pagenumberConf.fromPage = 3; }},
        {"style",
         [&](PanelOtherLogic& l, bool other) {
             return l.setSelectionStyle(other ? OtherStyles::style6 : bound.style);
         },
         [](PageNumberSettings& s) { s.style = OtherStyles::style6; }},
        {"distance",
         [&](PanelOtherLogic& l, bool other) {
             return l.setDistanceToEdge(other ? DistanceToEdgeSetting{12, 30}
                                              : bound.distanceToEdge);
         },
         [](PageNumberSettings& s) { s.distanceToEdge.horizontal = 30; }},
        {"format and colour",
         [&](PanelOtherLogic& l, bool other) {
             return l.setOtherTextColor(other ? StampTextColor{"#currentPage", red}
                                              : *bound.numberTextColor);
         },
         [](PageNumberSettings& s) {
             s.numberTextColor = StampTextColor{"#currentPage", red};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        PanelOtherLogic logic(OtherStyles::style1, {1, 2, 1, 1});
        logic.load(bound);
        EXPECT_FALSE(c.set(logic, false).has_value()) << "the bound record holds it already";
        const std::optional<PageNumberSettings> written = c.set(logic, true);
        ASSERT_TRUE(written.has_value());
        PageNumberSettings expected = bound;
        c.expect(expected);
        EXPECT_EQ(*written, expected) << "every other field is its working copy";
        EXPECT_EQ(logic.bound(), expected);
        EXPECT_FALSE(c.set(logic, true).has_value()) << "the written value is now the bound one";
    }
}

TEST(PanelOtherLogic, ARecordWithoutAFormatKeepsTheShownFormatForTheNextEdit) {
    PanelOtherLogic logic(OtherStyles::style1, {1, 2, 1, 1});
    // A new document: no format, the local colour stays red.
    PageNumberSettings fresh = boundRecord();
    fresh.numberTextColor.reset();
    logic.load(fresh);
    EXPECT_EQ(logic.otherTextColor(), (StampTextColor{std::nullopt, red}));
    // An absent bound format never equals the local one: choosing writes it in red.
    const auto chosen = logic.setOtherTextColor(StampTextColor{"Page #currentPage", red});
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->numberTextColor, (StampTextColor{"Page #currentPage", red}));

    // A preset without a format: the settings hold none, the panel keeps the format, and the next
    // edit of another field brings it back.
    logic.load(fresh);
    EXPECT_EQ(logic.otherTextColor().stampText, std::optional<std::string>("Page #currentPage"));
    const auto edited = logic.setSelectionStyle(OtherStyles::style2);
    ASSERT_TRUE(edited.has_value());
    EXPECT_EQ(edited->numberTextColor, (StampTextColor{"Page #currentPage", red}));
    EXPECT_EQ(edited->style, OtherStyles::style2);
}

TEST(PanelOtherLogic, TheGridOffersElevenPositionsTheOddCornerBeforeTheEven) {
    const std::vector<Positions> expected = {
        Positions::topleft,       Positions::topcenter,     Positions::topright,
        Positions::topoddleft,    Positions::topevenleft,   Positions::middle,
        Positions::bottomleft,    Positions::bottomcenter,  Positions::bottomright,
        Positions::bottomoddleft, Positions::bottomevenleft};
    EXPECT_EQ(PanelOtherLogic::defaultPositionItems(), expected);
    // The creator's style and range are the copies until a record is loaded.
    PanelOtherLogic logic(OtherStyles::style4, {1, 2, 1, 1});
    EXPECT_EQ(logic.selectionStyle(), OtherStyles::style4);
    EXPECT_EQ(logic.pagenumberConf(), (PageNumberConfiguration{1, 2, 1, 1}));
    EXPECT_EQ(logic.position(), Positions::topleft);
}

} // namespace
} // namespace fen

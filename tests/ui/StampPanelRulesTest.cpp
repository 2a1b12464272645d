// The stamp panel's rules without a widget: the source picker's handlers and its procedure that
// applies a bound text, the date-and-name section's loading and its date rule around midnight,
// the panel's load without write-back, and the stamp text list's edits.
#include "model/StartOfToday.h"
#include "panels/NameAndDateLogic.h"
#include "panels/PanelStampLogic.h"
#include "panels/SourcePickerLogic.h"
#include "panels/StampListLogic.h"
#include "storage/FenDatabaseManager.h"
#include "storage/StampDBModel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace fen {
namespace {

const gfx::Color red{1, 0, 0, 1};
const gfx::Color blue{0, 0, 1, 1};

std::vector<SPAOptions> stampOptions() {
    return {SPAOptions::none(), {"A", "Paid"}, {"B", "Draft"}, {"C", "Paid"}};
}

struct Picker {
    std::vector<StampTextColor> writes;
    SourcePickerLogic logic{[this](const StampTextColor& value) { writes.push_back(value); }};
};

TEST(SourcePickerLogic, AppearingSelectsTheEntryOfTheBoundTextAndWritesNothing) {
    struct Case {
        std::optional<std::string> text;
        std::string selection;
    };
    const std::vector<Case> cases = {
        {std::nullopt, SPAOptions::kNoneID},
        {"Paid", "A"}, // the first of two equal titles
        {"Draft", "B"},
        {"Gone", SPAOptions::kNoneID}, // matches no entry: the text stays
        {"None", SPAOptions::kNoneID},
    };
    for (const Case& c : cases) {
        Picker picker;
        picker.logic.appear(StampTextColor{c.text, blue}, stampOptions());
        EXPECT_EQ(picker.logic.selection(), c.selection) << c.text.value_or("(none)");
        EXPECT_EQ(picker.logic.colorValue(), blue);
        EXPECT_EQ(picker.logic.options(), stampOptions());
        EXPECT_TRUE(picker.writes.empty()) << c.text.value_or("(none)");
    }
}

TEST(SourcePickerLogic, ChoosingAnEntryWritesItsTitleWithTheBoundColour) {
    Picker picker;
    picker.logic.appear(StampTextColor{std::nullopt, red}, stampOptions());
    picker.logic.selectionChosen("B");
    picker.logic.selectionChosen(SPAOptions::kNoneID);
    picker.logic.selectionChosen("C");
    const std::vector<StampTextColor> expected = {
        {"Draft", red}, {std::nullopt, red}, {"Paid", red}};
    EXPECT_EQ(picker.writes, expected);
    EXPECT_EQ(picker.logic.selection(), "C");
}

TEST(SourcePickerLogic, AColourChangeKeepsTheBoundText) {
    Picker picker;
    picker.logic.appear(StampTextColor{"Paid", red}, stampOptions());
    picker.logic.colorChosen(blue);
    picker.logic.colorChosen(blue);
    ASSERT_EQ(picker.writes.size(), 1u);
    EXPECT_EQ(picker.writes[0], (StampTextColor{"Paid", blue}));
}

TEST(SourcePickerLogic, ALoadedTextMatchingNoEntryKeepsTheTextWhateverWasShown) {
    // The picker showed "Draft"; a preset brings a text whose entry was deleted.
    Picker picker;
    picker.logic.appear(StampTextColor{"Draft", red}, stampOptions());
    ASSERT_EQ(picker.logic.selection(), "B");
    picker.logic.boundChanged(StampTextColor{"Gone", blue});
    EXPECT_EQ(picker.logic.selection(), SPAOptions::kNoneID);
    EXPECT_EQ(picker.logic.colorValue(), blue);
    EXPECT_TRUE(picker.writes.empty());
    EXPECT_EQ(picker.logic.bound(), (StampTextColor{"Gone", blue}));
}

TEST(SourcePickerLogic, ATextEqualToTheNoneTitleLeavesThePickerWhereItIs) {
    Picker picker;
    picker.logic.appear(StampTextColor{"Paid", red}, stampOptions());
    picker.logic.boundChanged(StampTextColor{"None", red});
    EXPECT_EQ(picker.logic.selection(), "A");
    picker.logic.boundChanged(StampTextColor{std::nullopt, red});
    EXPECT_EQ(picker.logic.selection(), SPAOptions::kNoneID);
    EXPECT_TRUE(picker.writes.empty());
}

TEST(SourcePickerLogic, AListChangeResetsThePickerAndRemovesAChosenText) {
    Picker picker;
    picker.logic.appear(StampTextColor{"Paid", red}, stampOptions());
    std::vector<SPAOptions> grown = stampOptions();
    grown.push_back({"D", "Void"});
    picker.logic.storeOptionsChanged(grown);
    EXPECT_EQ(picker.logic.selection(), SPAOptions::kNoneID);
    EXPECT_EQ(picker.logic.options(), grown);
    ASSERT_EQ(picker.writes.size(), 1u);
    EXPECT_EQ(picker.writes[0], (StampTextColor{std::nullopt, red}));

    // On "none" already, another change writes nothing; the same list is no change.
    grown.pop_back();
    picker.logic.storeOptionsChanged(grown);
    picker.logic.storeOptionsChanged(grown);
    EXPECT_EQ(picker.writes.size(), 1u);
}

TEST(SourcePickerLogic, TheFirstFillIsNoListChange) {
    // Before the options arrive nothing matches; the first fill then finds the entry, and neither
    // resets the picker nor removes the bound text. Only a later change of the list does.
    Picker picker;
    picker.logic.appear(StampTextColor{"Draft", red}, stampOptions());
    EXPECT_EQ(picker.logic.selection(), "B");
    picker.logic.storeOptionsChanged(stampOptions());
    EXPECT_EQ(picker.logic.selection(), "B");
    EXPECT_TRUE(picker.writes.empty());
}

// Fixes the local time zone for one test.
struct TimeZoneScope {
    explicit TimeZoneScope(const char* zone) {
        const char* old = std::getenv("TZ");
        saved = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZoneScope() {
        if (saved) {
            setenv("TZ", saved->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    std::optional<std::string> saved;
};

// 2026-03-10 in Berlin (UTC+1): midnight is 23:00 UTC of the day before.
const Date berlinMidnight = Date::fromUnixSeconds(1773097200.0);

struct Section {
    Date now;
    std::vector<DateAndName> writes;
    NameAndDateLogic logic{[this](const DateAndName& value) { writes.push_back(value); },
                           [this] { return now; }};
};

TEST(NameAndDateLogic, ACurrentDateOfAnotherDayIsReDatedToTodayAndWritten) {
    TimeZoneScope zone("Europe/Berlin");
    struct Case {
        const char* name;
        double dateOffset; // seconds from today's midnight
        double nowOffset;
        bool isDateCurrent;
        bool redated;
    };
    const std::vector<Case> cases = {
        {"yesterday 23:59, now 00:00", -60, 0, true, true},
        {"today 00:00, now 23:59", 0, 86340, true, false},
        {"today 23:59, now 00:01", 86340, 60, true, false},
        {"yesterday 12:00, now 00:30 (less than a day)", -43200, 1800, true, true},
        {"yesterday, not current", -3600, 3600, false, false},
        {"tomorrow 00:00, now 23:59", 86400, 86340, true, true},
    };
    for (const Case& c : cases) {
        Section section;
        section.now = Date{berlinMidnight.secondsSinceReferenceDate + c.nowOffset};
        DateAndName record{true,
                           true,
                           "Ann",
                           true,
                           Date{berlinMidnight.secondsSinceReferenceDate + c.dateOffset},
                           c.isDateCurrent};
        section.logic.load(record);
        if (c.redated) {
            ASSERT_EQ(section.writes.size(), 1u) << c.name;
            EXPECT_EQ(section.writes[0].dateValue, berlinMidnight) << c.name;
            EXPECT_TRUE(section.writes[0].isDateCurrent) << c.name;
            EXPECT_EQ(section.logic.date(), berlinMidnight) << c.name;
        } else {
            EXPECT_TRUE(section.writes.empty()) << c.name;
            EXPECT_EQ(section.logic.date(), record.dateValue) << c.name;
        }
        EXPECT_EQ(section.logic.name(), "Ann");
        EXPECT_TRUE(section.logic.includedateandname());
    }
}

TEST(NameAndDateLogic, APickedDateIsCurrentOnlyWithinToday) {
    TimeZoneScope zone("Europe/Berlin");
    Section section;
    section.now = Date{berlinMidnight.secondsSinceReferenceDate + 600};
    section.logic.load(DateAndName{true, false, "", true, berlinMidnight, true});
    section.logic.setDate(Date{berlinMidnight.secondsSinceReferenceDate - 86400});
    section.logic.setDate(Date{berlinMidnight.secondsSinceReferenceDate + 86399});
    ASSERT_EQ(section.writes.size(), 2u);
    EXPECT_FALSE(section.writes[0].isDateCurrent);
    EXPECT_TRUE(section.writes[1].isDateCurrent);
    // The current mark written comes back: a later switch keeps it.
    section.logic.setIsNameActive(true);
    ASSERT_EQ(section.writes.size(), 3u);
    EXPECT_TRUE(section.writes[2].isDateCurrent);
    EXPECT_TRUE(section.writes[2].isNameActive);
}

TEST(NameAndDateLogic, SwitchingOffKeepsTheNameAndDateAndEqualValuesWriteNothing) {
    Section section;
    section.now = Date::now();
    const DateAndName record{true, true, "Ann", true, startOfToday(section.now), true};
    section.logic.load(record);
    section.logic.setIncludedateandname(true);
    section.logic.setName("Ann");
    EXPECT_TRUE(section.writes.empty());
    section.logic.setIncludedateandname(false);
    ASSERT_EQ(section.writes.size(), 1u);
    DateAndName off = record;
    off.isIncluded = false;
    EXPECT_EQ(section.writes[0], off);
}

struct Panel {
    std::vector<StampSettings> writes;
    PanelStampLogic logic{[this](const StampSettings& value) { writes.push_back(value); },
                          WMAngles::auto_, Date{1000}};
};

TEST(PanelStampLogic, LoadingARecordDifferingInEveryFieldWritesNothing) {
    Panel panel;
    StampSettings record;
    record.stampTextColor = StampTextColor{"Paid", blue};
    record.position = Positions::bottomright;
    record.angle = WMAngles::dm30;
    record.sizeopacity = SizeOpacitySetting{70, 20};
    record.datename = DateAndName{true, true, "Ann", true, Date{5000}, false};
    panel.logic.load(record);
    EXPECT_EQ(panel.logic.position(), Positions::bottomright);
    EXPECT_EQ(panel.logic.selectionAngle(), WMAngles::dm30);
    EXPECT_EQ(panel.logic.sizeOpacity(), (SizeOpacitySetting{70, 20}));
    EXPECT_EQ(panel.logic.datename(), record.datename);
    EXPECT_EQ(panel.logic.stampTextColor(), *record.stampTextColor);
    // The controls give back what was loaded: still nothing is written.
    panel.logic.setPosition(Positions::bottomright);
    panel.logic.setSelectionAngle(WMAngles::dm30);
    panel.logic.setSizeOpacity({70, 20});
    panel.logic.setDatename(record.datename);
    panel.logic.setStampTextColor(*record.stampTextColor);
    EXPECT_TRUE(panel.writes.empty());
}

TEST(PanelStampLogic, AnAbsentTextKeepsTheLocalOneAndTheFirstChangeWritesIt) {
    Panel panel;
    StampSettings record;
    record.position = Positions::topleft;
    panel.logic.load(record);
    EXPECT_EQ(panel.logic.stampTextColor(), (StampTextColor{std::nullopt, red}));
    panel.logic.setSelectionAngle(WMAngles::dp10);
    ASSERT_EQ(panel.writes.size(), 1u);
    EXPECT_EQ(panel.writes[0].stampTextColor, (StampTextColor{std::nullopt, red}));
    EXPECT_EQ(panel.writes[0].angle, WMAngles::dp10);
    EXPECT_EQ(panel.writes[0].position, Positions::topleft);
}

TEST(PanelStampLogic, TheAngleListHasAutoEighth) {
    const std::vector<WMAngles> angles = PanelStampLogic::angleItems();
    ASSERT_EQ(angles.size(), 14u);
    EXPECT_EQ(angles[6], WMAngles::d0);
    EXPECT_EQ(angles[7], WMAngles::auto_);
    EXPECT_EQ(angles[8], WMAngles::dp10);
    EXPECT_EQ(PanelStampLogic::defaultPositionItems().size(), 7u);
}

std::vector<std::string> storedNames() {
    std::vector<std::string> names;
    for (const StampList& entry : FenDatabaseManager::loadStampList()) {
        names.push_back(entry.name);
    }
    return names;
}

TEST(StampListLogic, AddingStoresEveryNonEmptyTextAndReloadsTheOptions) {
    StampDBModel model;
    StampListLogic logic(model);
    const std::size_t before = FenDatabaseManager::loadStampList().size();
    logic.add("Checked twice");
    logic.add("Checked twice");
    logic.add("");
    const std::vector<StampList> stored = FenDatabaseManager::loadStampList();
    ASSERT_EQ(stored.size(), before + 2);
    EXPECT_EQ(stored[before].name, "Checked twice");
    EXPECT_NE(stored[before].id, stored[before + 1].id);
    EXPECT_EQ(model.options().size(), stored.size() + 1);
    EXPECT_EQ(model.options().back().id, stored.back().id);
    logic.remove(stored[before].id);
    logic.remove(stored[before + 1].id);
}

TEST(StampListLogic, DeletingRemovesTheShownRowsTextAfterAnotherWindowChangedTheList) {
    StampDBModel shown;
    StampListLogic logic(shown);
    logic.add("First of mine");
    logic.add("Second of mine");
    // Another window inserts nothing but removes an earlier entry: offsets shift.
    const std::vector<StampList> stored = FenDatabaseManager::loadStampList();
    const std::string second = stored.back().id;
    FenDatabaseManager::removeStampListEntry(stored[stored.size() - 2].id);
    // This sheet still shows both rows; deleting the second row removes exactly that text.
    EXPECT_TRUE(logic.remove(second));
    for (const std::string& name : storedNames()) {
        EXPECT_NE(name, "Second of mine");
        EXPECT_NE(name, "First of mine");
    }
    // Deleting again, or deleting "none", removes nothing.
    const std::size_t count = FenDatabaseManager::loadStampList().size();
    EXPECT_FALSE(logic.remove(second));
    EXPECT_FALSE(logic.remove(SPAOptions::kNoneID));
    EXPECT_EQ(FenDatabaseManager::loadStampList().size(), count);
    EXPECT_FALSE(StampListLogic::showsRow(SPAOptions::none()));
    EXPECT_TRUE(StampListLogic::showsRow(SPAOptions{SPAOptions::kNoneID, "Other"}));
}

} // namespace
} // namespace fen

// The text list's rules without a widget: adding, clearing, importing, a loaded preset, renaming
// and deleting, the row looks, and what each edit announces.
#include "panels/TextListLogic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fen {
namespace {

using Row = TextListLogic::RowBackground;

// Records the announcements of a list, in order: "items" or "selection".
struct Recorder {
    explicit Recorder(TextListLogic& list)
        : items(list.itemsChanged.connect([this] { events.push_back("items"); })),
          selection(list.selectionChanged.connect([this] { events.push_back("selection"); })) {}
    std::vector<std::string> events;
    Connection items;
    Connection selection;
};

TEST(TextListLogic, AddingAppendsSelectsAndKeepsRepeatsAndBlanks) {
    TextListLogic list;
    Recorder recorder(list);
    EXPECT_FALSE(list.add(""));
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_STREQ(TextListLogic::countWord(list.items().size()), "item");

    ASSERT_TRUE(list.add("Draft"));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"items", "selection"}));
    EXPECT_EQ(list.selectedItem(), list.items().back());
    EXPECT_STREQ(TextListLogic::countWord(1), "item");
    ASSERT_TRUE(list.add("Draft"));
    ASSERT_TRUE(list.add("  "));
    EXPECT_EQ(list.texts(), (std::vector<std::string>{"Draft", "Draft", "  "}));
    EXPECT_NE(list.items()[0].id, list.items()[1].id);
    EXPECT_EQ(list.selectedItem()->text, "  ");
    EXPECT_STREQ(TextListLogic::countWord(2), "items");
}

TEST(TextListLogic, ClearEmptiesThenDropsTheSelection) {
    TextListLogic list;
    list.add("A");
    Recorder recorder(list);
    list.clear();
    EXPECT_FALSE(list.hasItems());
    EXPECT_FALSE(list.selectedItem());
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"items", "selection"}));
    list.clear();
    EXPECT_EQ(recorder.events.size(), 2u) << "clearing an empty list announces nothing";
}

TEST(TextListLogic, ImportReplacesTheListAndTheSelectionFollowsItsTextOrGoes) {
    TextListLogic list;
    list.add("Old");
    Recorder recorder(list);
    EXPECT_FALSE(list.replaceWithImported({}));
    EXPECT_EQ(list.texts(), (std::vector<std::string>{"Old"}));
    EXPECT_TRUE(recorder.events.empty());

    // By the text selected before: the row selected after (none: -1), and what is announced.
    const struct Case {
        std::optional<std::string> selected;
        std::vector<std::string> imported;
        int row;
        std::vector<std::string> events;
    } cases[] = {
        {"Beta", {"Alpha", " Beta ", "Beta", "Beta"}, 2, {"items", "selection"}},
        {"Beta", {"Alpha", " Beta "}, -1, {"items", "selection"}},
        {std::nullopt, {"Alpha", "Beta"}, -1, {"items"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected.value_or("no selection"));
        TextListLogic imported;
        if (c.selected) {
            imported.add(*c.selected);
        }
        Recorder events(imported);
        ASSERT_TRUE(imported.replaceWithImported(c.imported));
        EXPECT_EQ(imported.texts(), c.imported);
        EXPECT_EQ(imported.selectedItem(),
                  c.row < 0 ? std::nullopt : std::optional(imported.items()[size_t(c.row)]));
        EXPECT_EQ(events.events, c.events);
    }
}

TEST(TextListLogic, APresetsTextsReplaceTheListAndSelectTheFirst) {
    struct Case {
        std::vector<std::string> texts;
        std::optional<std::string> selected;
    };
    for (const Case& c : {Case{{"One", "Two"}, "One"}, Case{{}, std::nullopt}}) {
        TextListLogic list;
        list.add("Earlier");
        list.takeOverPreset(c.texts);
        EXPECT_EQ(list.texts(), c.texts);
        EXPECT_EQ(list.selectedItem() ? std::optional(list.selectedItem()->text) : std::nullopt,
                  c.selected);
        if (list.selectedItem()) {
            EXPECT_EQ(*list.selectedItem(), list.items().front());
        }
    }
}

TEST(TextListLogic, RenameKeepsTheIdentifierAndTheSelectionFollows) {
    TextListLogic list;
    list.add("A");
    list.add("B");
    const TextListItem before = *list.selectedItem();
    EXPECT_EQ(list.renameStartText(), "B");
    ASSERT_TRUE(list.rename("C"));
    EXPECT_EQ(list.items()[1], (TextListItem{before.id, "C"}));
    EXPECT_EQ(list.selectedItem(), list.items()[1]);

    // Unchanged name, no selection, a selection no row holds: nothing.
    Recorder recorder(list);
    EXPECT_FALSE(list.rename("C"));
    list.select(TextListItem{"elsewhere", "X"});
    EXPECT_FALSE(list.rename("Y"));
    list.select(std::nullopt);
    EXPECT_EQ(list.renameStartText(), "");
    EXPECT_FALSE(list.rename("Y"));
    EXPECT_EQ(list.texts(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"selection", "selection"}));
}

TEST(TextListLogic, DeleteKeyClearsTheSelectionBeforeTheRowGoes) {
    TextListLogic list;
    list.replaceWithImported({"A", "B", "C"});
    EXPECT_FALSE(list.deleteSelected()) << "no selection";
    list.select(list.items()[1]);
    Recorder recorder(list);
    ASSERT_TRUE(list.deleteSelected());
    EXPECT_EQ(list.texts(), (std::vector<std::string>{"A", "C"}));
    EXPECT_FALSE(list.selectedItem());
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"selection", "items"}));
}

TEST(TextListLogic, RowDeleteClearsAnySelectionAndRemovesItsRow) {
    TextListLogic list;
    list.replaceWithImported({"A", "B", "C"});
    list.select(list.items()[0]);
    list.deleteAt({2, 7});
    EXPECT_EQ(list.texts(), (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(list.selectedItem()) << "another row was selected";
}

TEST(TextListLogic, RowBackgroundsFollowSelectionFocusAndParity) {
    struct Case {
        bool selected, focused, odd;
        Row expected;
    };
    for (const Case& c :
         {Case{true, true, false, Row::accent}, Case{true, true, true, Row::accent},
          Case{true, false, true, Row::lightGrayHalf}, Case{false, true, true, Row::lightGrayTenth},
          Case{false, false, false, Row::clear}}) {
        EXPECT_EQ(TextListLogic::rowBackground(c.selected, c.focused, c.odd), c.expected);
    }
    TextListLogic list;
    list.replaceWithImported({"A", "B", "C"});
    list.select(list.items()[1]);
    EXPECT_FALSE(list.rowEvenOdd(list.items()[0])) << "the first row is clear";
    EXPECT_TRUE(list.rowEvenOdd(list.items()[1]));
    EXPECT_FALSE(list.rowEvenOdd(TextListItem{list.items()[1].id, "absent"}));
    EXPECT_TRUE(list.isSelected(list.items()[1]));
    EXPECT_FALSE(list.isSelected(TextListItem{list.items()[1].id, "other"}));
}

} // namespace
} // namespace fen

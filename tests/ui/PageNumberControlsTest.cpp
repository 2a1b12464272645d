// The page-number controls: the wrapping rows, the page range bounds and rows, the distance rows,
// the format's words and tokens and the format editor's saving.
#include "controls/ButtonStyles.h"
#include "controls/DistanceToEdgeView.h"
#include "controls/FenGenerticNoDataInList.h"
#include "controls/FlexibleRows.h"
#include "controls/FormatTokensView.h"
#include "controls/FormatWords.h"
#include "controls/KvStepperTextfieldCombined.h"
#include "controls/PageRangeBounds.h"
#include "controls/PagesFromToStart.h"
#include "controls/SheetButtonModifiers.h"
#include "controls/SlidersBlock.h"
#include "controls/StepperTextField.h"
#include "panels/OtherWatermarksListView.h"
#include "panels/OtherWatermarksViewPanel.h"
#include "storage/FenDatabaseManager.h"
#include "storage/PageNumberDBModel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QSlider>
#include <QTest>

namespace fen {
namespace {

using Rows = std::vector<std::vector<std::size_t>>;

TEST(FlexibleRows, BreakGreedilyCountingTheSpacingAfterEveryItem) {
    struct Case {
        const char* what;
        double width;
        std::vector<std::optional<double>> widths;
        double spacing;
        Rows rows;
    };
    const std::vector<Case> cases = {
        {"nothing", 100, {}, 5, {{}}},
        {"none measured", 100, {std::nullopt, std::nullopt}, 5, {{}, {0}, {1}}},
        {"too wide first", 100, {150, 20}, 5, {{}, {0}, {1}}},
        {"two share a row", 100, {30, 30, 30}, 5, {{0, 1}, {2}}},
        {"exact fit stays", 100, {50, 50, 1}, 0, {{0, 1}, {2}}},
        {"a repeated word keeps both places", 100, {20, 20, 20}, 5, {{0, 1, 2}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(computeRows(c.width, c.widths, c.spacing), c.rows) << c.what;
    }
}

TEST(PageRangeBounds, FollowTheOtherRowsAndTheLastPage) {
    struct Case {
        std::int64_t from, to, max;
        PageRangeBounds bounds;
    };
    for (const Case& c :
         {Case{3, 7, 10, {1, 7, 3, 10, 1, 10}}, Case{1, 1, 0, {1, 1, 1, 1, 1, 1}},
          Case{1, 1, 1, {1, 1, 1, 1, 1, 1}}, Case{12, 12, 10, {1, 12, 12, 12, 1, 10}}}) {
        EXPECT_EQ(PageRangeBounds::of(c.from, c.to, c.max), c.bounds) << c.from << " " << c.max;
    }
}

TEST(FormatWords, SplitAtEverySpaceAndOnlyExactTagsAreTokens) {
    const auto& tags = pageNumberFormatTags();
    struct Case {
        std::string text;
        std::vector<std::string> words;
        std::vector<bool> tokens;
    };
    const std::vector<Case> cases = {
        {"#currentPage of #totalPages", {"#currentPage", "of", "#totalPages"}, {true, false, true}},
        {"#currentPage.", {"#currentPage."}, {false}},
        {"#currentPage  #totalPages", {"#currentPage", "", "#totalPages"}, {true, false, true}},
        {"#CurrentPage", {"#CurrentPage"}, {false}},
        {"#filename", {"#filename"}, {true}},
        {"", {""}, {false}},
        {" a ", {"", "a", ""}, {false, false, false}},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> words = splitFormatWords(c.text);
        EXPECT_EQ(words, c.words) << c.text;
        for (size_t i = 0; i < words.size() && i < c.tokens.size(); ++i) {
            EXPECT_EQ(isFormatToken(words[i], tags), c.tokens[i]) << c.text << " " << i;
        }
    }
}

TEST(FormatTokensView, ShowsEveryWordInItsPlaceAndWrapsToTheWidth) {
    FormatTokensView view("Page #currentPage Page #currentPage", pageNumberFormatTags());
    view.resize(600, 60);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const std::vector<QWidget*> words = view.wordWidgets();
    ASSERT_EQ(words.size(), 4u);
    for (size_t i = 1; i < words.size(); ++i) {
        EXPECT_TRUE(words[i]->isVisible());
        EXPECT_GT(words[i]->x(), words[i - 1]->x()) << i; // one row, in order
    }
    // The repeated word is drawn twice: the token's accent shows in both places.
    const QImage grab = view.grab().toImage();
    for (const size_t i : {size_t(1), size_t(3)}) {
        const QPoint corner = words[i]->geometry().topLeft() + QPoint(3, words[i]->height() / 2);
        EXPECT_EQ(grab.pixelColor(corner), view.palette().color(QPalette::Highlight)) << i;
    }
    view.resize(words[0]->width() + words[1]->width() + 12, 200);
    // The layout follows the size a turn of the event loop later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return words[2]->y() > words[0]->y(); }, 60000)); // wrapped
}

TEST(FormatTokensView, RowsFillFromTheRightUnderARightToLeftDirection) {
    FormatTokensView view("Page #currentPage of #totalPages", pageNumberFormatTags());
    view.setLayoutDirection(Qt::RightToLeft);
    view.resize(600, 60);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const std::vector<QWidget*> words = view.wordWidgets();
    ASSERT_EQ(words.size(), 4u);
    // The first word at the right edge, each next one to the left of the one before.
    EXPECT_EQ(words[0]->geometry().right(), view.rect().right());
    for (size_t i = 1; i < words.size(); ++i) {
        EXPECT_LT(words[i]->geometry().right(), words[i - 1]->x()) << i;
    }
    // Wrapped, the next row starts at the right edge again.
    view.resize(words[0]->width() + words[1]->width() + 12, 200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return words[2]->y() > words[0]->y(); }, 60000));
    EXPECT_EQ(words[2]->geometry().right(), view.rect().right());
}

TEST(DistanceToEdgeView, LoadsWithoutWritingAndARowWritesTheWholeRecordOnce) {
    DistanceToEdgeView view({0, 0});
    std::vector<DistanceToEdgeSetting> writes;
    QObject::connect(&view, &DistanceToEdgeView::valueEdited,
                     [&writes](const DistanceToEdgeSetting& v) { writes.push_back(v); });
    view.setValue({-30, 45});
    EXPECT_TRUE(writes.empty());
    EXPECT_EQ(view.verticalRow()->value(), -30);
    view.verticalRow()->control()->slider()->setValue(20);
    EXPECT_EQ(writes, (std::vector<DistanceToEdgeSetting>{{20, 45}}));
}

TEST(PagesFromToStart, BoundsFollowTheRowsAndOnlyAnEditWrites) {
    PagesFromToStart editor({1, 1, 1, 1});
    std::vector<PageNumberConfiguration> writes;
    QObject::connect(&editor, &PagesFromToStart::valueEdited,
                     [&writes](const PageNumberConfiguration& v) { writes.push_back(v); });
    editor.setValue({3, 7, 2, 10});
    EXPECT_TRUE(writes.empty());
    EXPECT_EQ(editor.fromRow()->maxValue(), 7);
    EXPECT_EQ(editor.toRow()->minValue(), 3);
    EXPECT_EQ(editor.toRow()->maxValue(), 10);
    EXPECT_EQ(editor.startRow()->maxValue(), 10);

    QTest::mouseClick(editor.fromRow()->stepper()->increaseButton(), Qt::LeftButton);
    EXPECT_EQ(writes, (std::vector<PageNumberConfiguration>{{4, 7, 2, 10}}));
    EXPECT_EQ(editor.toRow()->minValue(), 4); // a bound moved, no row changed or wrote
    EXPECT_EQ(editor.toRow()->value(), 7);
    EXPECT_EQ(writes.size(), 1u);
}

TEST(OtherWatermarksViewPanel, StoresTheTypedTextOnceAndNeverBringsADeletedFormatBack) {
    PageNumberDBModel model;
    FenDatabaseManager::addPageNumberListEntry("FORMAT-1", "Page #currentPage");
    model.loadOptions();
    int dismissed = 0;
    auto stored = [] {
        std::vector<std::string> names;
        for (const auto& entry : FenDatabaseManager::loadPageNumberList()) {
            names.push_back(entry.id == "FORMAT-1" ? entry.name : "");
        }
        return names;
    };
    OtherWatermarksViewPanel editor(model, {"FORMAT-1", "Page #currentPage"},
                                    [&dismissed] { ++dismissed; });
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    editor.field()->setFocus();
    QTest::keyClicks(editor.field(), " of #totalPages");
    EXPECT_EQ(editor.tokens()->words().size(), 4u); // the tokens follow every key
    QTest::keyClick(editor.field(), Qt::Key_Return);
    EXPECT_NE(std::find(stored().begin(), stored().end(), "Page #currentPage of #totalPages"),
              stored().end());
    const auto options = model.options();
    ASSERT_GE(options.size(), 2u);
    EXPECT_EQ(options.back().title, "Page #currentPage of #totalPages");

    // Another window deleted the format: the editor's commit writes nothing back.
    FenDatabaseManager::removePageNumberListEntry("FORMAT-1");
    QTest::keyClicks(editor.field(), "!");
    editor.commit();
    for (const auto& entry : FenDatabaseManager::loadPageNumberList()) {
        EXPECT_NE(entry.id, "FORMAT-1");
    }

    FenDatabaseManager::addPageNumberListEntry("FORMAT-1", "again");
    QTest::mouseClick(editor.deleteButton(), Qt::LeftButton);
    EXPECT_EQ(dismissed, 1);
    for (const auto& entry : FenDatabaseManager::loadPageNumberList()) {
        EXPECT_NE(entry.id, "FORMAT-1");
    }
}

TEST(OtherWatermarksListView, AddsOpensAndDeletesTheRowShown) {
    for (const auto& entry : FenDatabaseManager::loadPageNumberList()) {
        FenDatabaseManager::removePageNumberListEntry(entry.id);
    }
    PageNumberDBModel model;
    model.loadOptions();
    OtherWatermarksListView list(model);
    list.resize(400, 400);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    EXPECT_TRUE(list.rows().empty());
    auto* placeholder = list.findChild<FenGenerticNoDataInList*>();
    ASSERT_NE(placeholder, nullptr);
    EXPECT_TRUE(placeholder->isVisible());

    QTest::mouseClick(list.addButton(), Qt::LeftButton);
    QTest::mouseClick(list.addButton(), Qt::LeftButton);
    ASSERT_EQ(list.rows().size(), 2u);
    EXPECT_FALSE(placeholder->isVisible());
    EXPECT_EQ(list.rows()[0]->accessibleName(), "#currentPage");
    const std::vector<PageNumberList> stored = FenDatabaseManager::loadPageNumberList();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_NE(stored[0].id, stored[1].id);

    // The second row opens its own format; Back stores what was typed.
    list.rows()[1]->click();
    ASSERT_NE(list.editor(), nullptr);
    EXPECT_EQ(list.editor()->pagenumber().id, stored[1].id);
    QTest::keyClicks(list.editor()->field(), " of #totalPages");
    list.back();
    EXPECT_EQ(FenDatabaseManager::loadPageNumberList()[1].name, "#currentPage of #totalPages");
    ASSERT_EQ(list.rows().size(), 2u);
    EXPECT_EQ(list.rows()[1]->accessibleName(), "#currentPage of #totalPages");

    // Another window removed the first format; the menu of the row of the second removes that
    // one.
    FenDatabaseManager::removePageNumberListEntry(stored[0].id);
    ASSERT_EQ(list.rows()[1]->actions().size(), 1);
    list.rows()[1]->actions()[0]->trigger();
    EXPECT_TRUE(FenDatabaseManager::loadPageNumberList().empty());
    EXPECT_TRUE(list.rows().empty());
}

TEST(OtherWatermarksListView, DoneClosesTheWholeSheet) {
    QMainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    PageNumberDBModel model;
    QPointer<QDialog> sheet = openPageNumberFormatsSheet(&window, model);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet && sheet->isVisible(); }));
    EXPECT_EQ(sheet->accessibleName(), "Page Number Watermarks");
    auto* bar = sheet->findChild<SheetDoneButtonModifier*>();
    ASSERT_NE(bar, nullptr);
    bar->doneButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sheet || !sheet->isVisible(); }));
}

} // namespace
} // namespace fen

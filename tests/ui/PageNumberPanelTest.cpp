// The page-number panel in a document window of three pages: a chosen format drawn on the
// editor's pages and in the written file, the odd and even corners, the Roman styles, the distance
// rows, the page range rows, a loaded record written nowhere, and the source row left alone by
// its first showing.
#include "DocumentWindowFixture.h"
#include "UiTestSupport.h"

#include "controls/DFColorWell.h"
#include "controls/DistanceToEdgeView.h"
#include "controls/FontSelectorView.h"
#include "controls/KvStepperTextfieldCombined.h"
#include "controls/PagesFromToStart.h"
#include "controls/PositionSelectorView.h"
#include "controls/SlidersBlock.h"
#include "controls/SpecialAdditionalGenericSelector.h"
#include "controls/StepperTextField.h"
#include "controls/ToolBarViewButton.h"
#include "document/SettingsTabController.h"
#include "export/FenExportRenderer.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/OtherStyleView.h"
#include "panels/OtherWatermarksListView.h"
#include "panels/OtherWatermarksViewPanel.h"
#include "panels/PanelOther.h"
#include "panels/SpecialAdditionalOther.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Uuid.h"
#include "storage/FenDatabaseManager.h"
#include "storage/MainSettingsImageHolder.h"
#include "storage/PageNumberDBModel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>

#include <gtest/gtest.h>

namespace fen {
namespace {

// The window of a three-page file with the "Other" page shown.
struct Window : test::DocumentWindow {
    Window() : DocumentWindow(test::wordPages(3, 400, 500)) {
        tab->controller().setTabSelection(3);
        settle();
    }
    PanelOther* panel() const { return tab->otherPanel(); }
    // Chooses the entry titled `title` in the format picker's menu.
    bool choose(const QString& title) {
        for (QAction* entry : panel()->source()->selector()->menu()->actions()) {
            if (entry->text() == title) {
                entry->trigger();
                settle();
                return true;
            }
        }
        return false;
    }
    const PageNumberSettings& settings() const { return *model().otherConf; }
    // The file an export of the window's model writes.
    std::filesystem::path written() const {
        FenExportRenderer::Request request;
        request.model = sharedModel();
        request.data = std::make_shared<const std::string>(test::readFile(file));
        request.fileName = "report.pdf";
        const auto outputs = FenExportRenderer::render(request);
        EXPECT_EQ(outputs.size(), 1u);
        EXPECT_TRUE(!outputs.empty() && outputs[0].location);
        return outputs.empty() || !outputs[0].location ? std::filesystem::path()
                                                       : outputs[0].location->path();
    }
};

// The words of page `page` (1-based) of a written file.
std::vector<std::string> wordsOn(const std::filesystem::path& pdf, int page) {
    std::vector<std::string> words;
    for (const test::WordBox& word : test::pdftotextBBox(pdf)) {
        if (word.page == page) {
            words.push_back(word.text);
        }
    }
    return words;
}

// Where the page number's red lies on an editor page, in fractions of the page's size; an empty
// rectangle when there is none.
QRectF redInk(const QImage& page) {
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.red() > 180 && c.green() < 110 && c.blue() < 110) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        return {};
    }
    return QRectF(double(left) / page.width(), double(top) / page.height(),
                  double(right - left + 1) / page.width(),
                  double(bottom - top + 1) / page.height());
}

TEST(PanelOther, ChoosingPageCurrentPageDrawsItOnTheEditorsPagesAndInTheWrittenFile) {
    Window window;
    ASSERT_NE(window.panel(), nullptr) << "the panel is built when the Other page shows";
    EXPECT_FALSE(window.settings().numberTextColor.has_value());
    EXPECT_TRUE(redInk(window.pdf->pageImage(1)).isEmpty());
    ASSERT_TRUE(window.choose("Page #currentPage"));
    ASSERT_TRUE(window.settings().numberTextColor.has_value());
    EXPECT_EQ(*window.settings().numberTextColor,
              (StampTextColor{"Page #currentPage", gfx::Color{1, 0, 0, 1}}))
        << "a first choice is red";
    for (int page = 0; page < 3; ++page) {
        EXPECT_FALSE(redInk(window.pdf->pageImage(page)).isEmpty()) << page;
    }
    const std::filesystem::path file = window.written();
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        const std::vector<std::string> words = wordsOn(file, page);
        const auto at = std::find(words.begin(), words.end(), "Page");
        ASSERT_NE(at, words.end());
        ASSERT_NE(at + 1, words.end());
        EXPECT_EQ(*(at + 1), std::to_string(page));
    }
}

TEST(PanelOther, AnOddEvenPositionPutsTheNumbersOnAlternatingSides) {
    Window window;
    ASSERT_TRUE(window.choose("Page #currentPage"));
    PositionSelectorView* grid = window.panel()->position();
    ASSERT_TRUE(QTest::qWaitFor([grid] { return grid->cell(Positions::topoddleft); }));
    grid->cell(Positions::topoddleft)->click();
    window.settle();
    EXPECT_EQ(window.settings().position, Positions::topoddleft);
    const QRectF first = redInk(window.pdf->pageImage(0));
    const QRectF second = redInk(window.pdf->pageImage(1));
    const QRectF third = redInk(window.pdf->pageImage(2));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    // Odd pages on one side, even pages on the other, all at the top.
    EXPECT_LT(first.right(), 0.5);
    EXPECT_GT(second.left(), 0.5);
    EXPECT_LT(third.right(), 0.5);
    EXPECT_LT(second.bottom(), 0.25);
}

TEST(PanelOther, ARomanStyleDrawsRomanNumerals) {
    Window window;
    ASSERT_TRUE(window.choose("Page #currentPage"));
    const QImage decimal = window.pdf->pageImage(1);
    OtherStyleView* style = window.panel()->style();
    EXPECT_EQ(style->titleLabel()->buddy(), style->picker());
    ASSERT_EQ(style->picker()->count(), 6);
    EXPECT_EQ(style->picker()->itemText(2), QStringLiteral("I, II, III..."));
    style->picker()->setCurrentIndex(2);
    Q_EMIT style->picker()->activated(2);
    window.settle();
    EXPECT_EQ(window.settings().style, OtherStyles::style3);
    EXPECT_NE(window.pdf->pageImage(1), decimal);
    const std::filesystem::path file = window.written();
    const std::vector<std::pair<int, std::string>> expected = {{1, "I"}, {2, "II"}, {3, "III"}};
    for (const auto& [page, numeral] : expected) {
        SCOPED_TRACE(page);
        const std::vector<std::string> words = wordsOn(file, page);
        const auto at = std::find(words.begin(), words.end(), "Page");
        ASSERT_NE(at, words.end());
        ASSERT_NE(at + 1, words.end());
        EXPECT_EQ(*(at + 1), numeral);
    }
}

TEST(PanelOther, TheDistanceRowsMoveTheNumberAwayFromTheEdges) {
    Window window;
    ASSERT_TRUE(window.choose("Page #currentPage"));
    EXPECT_EQ(window.settings().position, Positions::topleft);
    const QRectF near = redInk(window.pdf->pageImage(0));
    ASSERT_FALSE(near.isEmpty());
    DistanceToEdgeView* distance = window.panel()->distance();
    distance->verticalRow()->control()->slider()->setValue(60);
    window.settle();
    distance->horizontalRow()->control()->slider()->setValue(80);
    window.settle();
    EXPECT_EQ(window.settings().distanceToEdge, (DistanceToEdgeSetting{60, 80}));
    const QRectF far = redInk(window.pdf->pageImage(0));
    ASSERT_FALSE(far.isEmpty());
    // 60 and 80 points on a 500 by 400 point page.
    EXPECT_NEAR(far.top() - near.top(), 60.0 / 500, 0.02);
    EXPECT_NEAR(far.left() - near.left(), 80.0 / 400, 0.02);
}

TEST(PanelOther, ThePageRangeRowsAreBoundedByThePageCountAndFromPageLeavesEarlierPagesBare) {
    Window window;
    ASSERT_TRUE(window.choose("Page #currentPage"));
    PagesFromToStart* range = window.panel()->pageRange();
    EXPECT_EQ(window.settings().pagenumberConf, (PageNumberConfiguration{1, 3, 1, 3}));
    EXPECT_EQ(range->toRow()->maxValue(), 3);
    EXPECT_EQ(range->startRow()->maxValue(), 3);
    EXPECT_EQ(range->fromRow()->maxValue(), 3);
    QTest::mouseClick(range->fromRow()->stepper()->increaseButton(), Qt::LeftButton);
    window.settle();
    EXPECT_EQ(window.settings().pagenumberConf.fromPage, 2);
    EXPECT_EQ(range->toRow()->minValue(), 2);
    EXPECT_TRUE(redInk(window.pdf->pageImage(0)).isEmpty()) << "the first page has no number";
    EXPECT_FALSE(redInk(window.pdf->pageImage(1)).isEmpty());
    const std::filesystem::path file = window.written();
    const std::vector<std::string> first = wordsOn(file, 1);
    EXPECT_EQ(std::find(first.begin(), first.end(), "Page"), first.end());
    const std::vector<std::string> second = wordsOn(file, 2);
    const auto at = std::find(second.begin(), second.end(), "Page");
    ASSERT_NE(at, second.end());
    ASSERT_NE(at + 1, second.end());
    EXPECT_EQ(*(at + 1), "1") << "the first page of the range counts from Starting from";
}

TEST(PanelOther, ARecordDifferingInEveryFieldLoadsIntoTheControlsWithoutAWrite) {
    Window window;
    PanelOther* panel = window.panel();
    int edits = 0;
    QObject::connect(panel, &PanelOther::valueEdited, panel, [&edits] { ++edits; });
    PageNumberSettings preset;
    preset.numberTextColor = StampTextColor{"#currentPage of #lastPage", gfx::Color{0, 0, 1, 1}};
    preset.position = Positions::bottomevenleft;
    preset.font = FontSetting{"DejaVu Sans", "Bold", 30};
    preset.pagenumberConf = PageNumberConfiguration{2, 3, 5, 3};
    preset.style = OtherStyles::style5;
    preset.distanceToEdge = DistanceToEdgeSetting{-20, 35};
    const int sends = window.sends;
    window.tab->controller().applySavedSettings(preset);
    window.settle();
    EXPECT_EQ(edits, 0);
    EXPECT_EQ(window.sends - sends, 1) << "the load itself, nothing written back";
    EXPECT_EQ(window.settings(), preset);
    EXPECT_EQ(panel->position()->position(), Positions::bottomevenleft);
    EXPECT_EQ(panel->font()->value(), preset.font);
    EXPECT_EQ(panel->pageRange()->value(), preset.pagenumberConf);
    EXPECT_EQ(panel->pageRange()->startRow()->value(), 5);
    EXPECT_EQ(panel->style()->picker()->currentText(), QStringLiteral("A, B, C..."));
    EXPECT_EQ(panel->distance()->value(), preset.distanceToEdge);
    EXPECT_EQ(panel->source()->colorWell()->colorValue(), (gfx::Color{0, 0, 1, 1}));
    const std::vector<SPAOptions>& options = panel->source()->logic().options();
    const auto entry = std::find_if(options.begin(), options.end(), [](const SPAOptions& o) {
        return o.title == "#currentPage of #lastPage";
    });
    ASSERT_NE(entry, options.end());
    EXPECT_EQ(panel->source()->logic().selection(), entry->id);
}

TEST(PanelOther, ShowingTheSourceRowLeavesTheBoundFormatUnchanged) {
    // Formats set before the page first shows: a stored one and one that no entry has.
    for (const std::string format : {"Page #currentPage", "Sheet #currentPage (gone)"}) {
        SCOPED_TRACE(format);
        test::DocumentWindow window(test::wordPages(3, 400, 500));
        PageNumberSettings settings = window.tab->controller().otherConf();
        settings.numberTextColor = StampTextColor{format, gfx::Color{0, 0.5, 0, 1}};
        window.tab->controller().setOtherConf(settings);
        window.settle();
        const int sends = window.sends;
        window.tab->controller().setTabSelection(3);
        window.settle();
        ASSERT_NE(window.tab->otherPanel(), nullptr);
        EXPECT_EQ(window.sends, sends) << "showing the panel wrote nothing";
        EXPECT_EQ(window.model().otherConf->numberTextColor, settings.numberTextColor);
        SpecialAdditionalOther* source = window.tab->otherPanel()->source();
        const std::vector<SPAOptions>& options = source->logic().options();
        const auto entry = std::find_if(options.begin(), options.end(),
                                        [&](const SPAOptions& o) { return o.title == format; });
        EXPECT_EQ(source->logic().selection(),
                  entry == options.end() ? std::string(SPAOptions::kNoneID) : entry->id);
    }
}

TEST(PanelOther, NoneClearsTheFormatHidesTheWellAndThePreviewFollowsTheMessage) {
    Window window;
    SpecialAdditionalOther* source = window.panel()->source();
    EXPECT_EQ(source->preview()->text(), QStringLiteral("No Selection"));
    EXPECT_FALSE(source->colorWell()->isVisible());
    EXPECT_FALSE(source->saveButton()->isEnabled());
    ASSERT_TRUE(window.choose("Page #currentPage"));
    // The window's prepared picture reaches the preview and the holder.
    QTRY_VERIFY(source->image().has_value());
    EXPECT_TRUE(source->preview()->text().isEmpty());
    EXPECT_TRUE(source->colorWell()->isVisible());
    EXPECT_TRUE(source->saveButton()->isEnabled());
    ASSERT_TRUE(window.choose("None"));
    EXPECT_FALSE(window.settings().numberTextColor->stampText.has_value());
    EXPECT_EQ(window.settings().numberTextColor->stampColor, (gfx::Color{1, 0, 0, 1}))
        << "the colour stays";
    EXPECT_TRUE(redInk(window.pdf->pageImage(0)).isEmpty());
    EXPECT_FALSE(source->colorWell()->isVisible());
    EXPECT_FALSE(source->saveButton()->isEnabled());
    QTRY_VERIFY(!source->image().has_value());
    EXPECT_EQ(source->preview()->text(), QStringLiteral("No Selection"));
}

TEST(PanelOther, ClosingTheWindowWithTheFormatSheetOpenKeepsTheFormatBeingTyped) {
    auto* window = new QWidget;
    auto* source = new SpecialAdditionalOther(
        StampTextColor{std::nullopt, gfx::Color{1, 0, 0, 1}}, [](const StampTextColor&) {},
        std::make_shared<MainSettingsImageHolder>(),
        NotificationDocumentCenter::makeDocumentNotificationCenter(), window);
    window->resize(420, 200);
    window->show();
    QAction* customize = nullptr;
    for (QAction* entry : source->selector()->menu()->actions()) {
        if (entry->text() == "Customize List") {
            customize = entry;
        }
    }
    ASSERT_NE(customize, nullptr);
    customize->trigger();
    QDialog* sheet = source->selector()->sheet();
    ASSERT_NE(sheet, nullptr);
    auto* list = sheet->findChild<OtherWatermarksListView*>();
    ASSERT_NE(list, nullptr);
    list->addButton()->click();
    ASSERT_FALSE(list->rows().empty());
    list->rows().back()->click();
    ASSERT_NE(list->editor(), nullptr);
    const std::string typed = "Sheet #currentPage " + newUuidString();
    list->editor()->field()->setText(QString::fromStdString(typed));
    // The window goes with the row, its list of formats and the sheet over it.
    delete window;
    std::string id;
    for (const PageNumberList& entry : FenDatabaseManager::loadPageNumberList()) {
        if (entry.name == typed) {
            id = entry.id;
        }
    }
    EXPECT_FALSE(id.empty()) << "the typed format is stored";
    FenDatabaseManager::removePageNumberListEntry(id);
}

} // namespace
} // namespace fen

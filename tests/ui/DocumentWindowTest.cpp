// The document window: the editor against the written file, redraws without re-rendering, the
// locked file, zoom commands, a dropped image, the overwrite of the opened file and the More
// options.
#include "UiTestSupport.h"

#include "controls/CustomSegmentedPickerView.h"
#include "controls/ImageImporter.h"
#include "controls/KvToggle.h"
#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/MainSettingsTabView.h"
#include "document/MainToolBarView.h"
#include "document/NotificationDocumentCenterModifier.h"
#include "document/PDFViewEdit.h"
#include "document/SettingsTabController.h"
#include "export/FenFilesStorage.h"
#include "export/NotificationDocumentCenter.h"
#include "rendering/DrawingHelpers.h"
#include "shell/KvDocument.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"
#include "ui/UserDefaults.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::FixturePage;

using test::freshFolder;

// A document window on a file holding `bytes`, shown and loaded.
struct Window {
    fs::path file;
    std::shared_ptr<KvDocument> document;
    std::unique_ptr<DocumentView> view;
    FenDocumentView* body = nullptr;
    FelDocumentViewMain* main = nullptr;
    PDFViewEdit* pdf = nullptr;
    MainToolBarView* toolBar = nullptr;
    MainSettingsTabView* tab = nullptr;

    explicit Window(const std::string& bytes) {
        file = freshFolder() / "document.pdf";
        test::writeFile(file, bytes);
        document = std::make_shared<KvDocument>(Url::fileURL(file));
        view = std::make_unique<DocumentView>(document, HorizontalSizeClass::regular);
        body = view->content()->body();
        main = body->main();
        pdf = main->pdfArea()->pdfView();
        toolBar = main->toolBar();
        tab = body->settingsTab();
        view->resize(1000, 700);
        view->show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return main->isLoaded(); }, 20000));
        settle();
    }

    std::string id() const { return view->content()->channel()->id(); }
    SettingsTabController& settings() const { return tab->controller(); }

    // Runs the queued refreshes and repaints.
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }

    // Waits for the content of page `index` at the current scale, which a worker renders.
    bool waitForContent(int index = 0) const {
        pdf->viewport()->update();
        return QTest::qWaitFor([this, index] { return pdf->hasContent(index); }, 20000);
    }

    // Clicks where `target` is shown, through whatever widget lies on top there.
    void clickOver(QWidget* target) const {
        const QPoint at = target->mapTo(view.get(), target->rect().center());
        QWidget* hit = view->childAt(at);
        ASSERT_NE(hit, nullptr);
        QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(view.get(), at));
    }
};

int counted(const std::string& name, const std::function<void()>& action) {
    int count = 0;
    ObserverToken token = NotificationCenter::defaultCenter().addObserver(
        name, [&count](const Notification&) { ++count; });
    action();
    return count;
}

test::Raster rasterOf(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    test::Raster raster;
    raster.width = rgb.width();
    raster.height = rgb.height();
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* line = rgb.constScanLine(y);
        raster.rgb.insert(raster.rgb.end(), line, line + 3 * rgb.width());
    }
    return raster;
}

// Coloured boxes at the page's corners, so a turned or shifted picture shows at once.
std::string cornerContent(const gfx::Rect& crop) {
    return test::fillRectOp({crop.x + 20, crop.y + 20, 80, 40}, {0, 0, 1, 1}) +
           test::fillRectOp({crop.maxX() - 70, crop.maxY() - 90, 50, 70}, {0, 0.6, 0, 1}) +
           test::textOp(crop.x + 120, crop.y + 200, 18, "Content line");
}

TEST(DocumentWindow, TheEditorShowsWhatTheWrittenFileShows) {
    struct Case {
        const char* what;
        gfx::Rect media;
        std::optional<gfx::Rect> crop;
        int rotate;
    };
    const std::vector<Case> cases = {
        {"an upright page", {0, 0, 420, 300}, std::nullopt, 0},
        {"a page turned by 90", {0, 0, 420, 300}, std::nullopt, 90},
        {"a crop box away from the origin", {0, 0, 500, 400}, gfx::Rect{60, 40, 360, 280}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const gfx::Rect crop = c.crop.value_or(c.media);
        FixturePage page{c.media, c.crop, {}, {}, {}, c.rotate, cornerContent(crop)};
        const std::string bytes = test::makePdf({page});
        Window window(bytes);
        window.settings().setTextConf(test::textSettings(Positions::topleft, 36, {1, 0, 0, 1}));
        window.settings().setSelectedTextItem(TextListItem{"1", "MARK"});
        window.settings().setOtherConf(
            test::pageNumberSettings("#currentPage", Positions::bottomright, 1, 1, 1));
        window.settle();
        window.pdf->setScaleFactor(1.0);
        ASSERT_TRUE(window.waitForContent());
        const test::Raster editor = rasterOf(window.pdf->pageImage(0));

        test::WatermarkJob job = test::makeWatermarkJob(bytes);
        job.holder->model = window.body->model();
        const fs::path written = freshFolder() / "written.pdf";
        ASSERT_TRUE(job.write(written));
        const test::Raster file = test::renderCropBox(written, 1, 72);

        ASSERT_EQ(editor.width, file.width);
        ASSERT_EQ(editor.height, file.height);
        int differing = 0;
        for (int y = 0; y < file.height; ++y) {
            for (int x = 0; x < file.width; ++x) {
                differing += editor.at(x, y).near(file.at(x, y), 64) ? 0 : 1;
            }
        }
        EXPECT_LT(differing, file.width * file.height / 100);
        // The watermark lies in the same place on both, not merely somewhere.
        const test::Ink shown = test::inkOf(editor, test::isRed);
        const test::Ink printed = test::inkOf(file, test::isRed);
        ASSERT_GT(printed.count, 200);
        EXPECT_NEAR(shown.count, printed.count, printed.count * 0.15);
        EXPECT_NEAR(shown.centerX, printed.centerX, 2);
        EXPECT_NEAR(shown.centerY, printed.centerY, 2);
    }
}

// A page a viewer turns a quarter clockwise (300 × 420 points, shown 420 wide and 300 high): the
// page number set to the bottom right is shown there, upright, and the written file has it in
// the same place.
TEST(DocumentWindow, ATurnedPageShowsItsBottomRightPageNumberWhereTheWrittenFileHasIt) {
    const std::string bytes = test::makePdf(
        {FixturePage{.media = gfx::Rect{0, 0, 300, 420}, .rotate = 90, .content = {}}});
    Window window(bytes);
    PageNumberSettings number =
        test::pageNumberSettings("#currentPage", Positions::bottomright, 1, 1, 1);
    number.numberTextColor->stampColor = {1, 0, 0, 1};
    number.font.size = 24;
    window.settings().setOtherConf(number);
    window.settle();
    window.pdf->setScaleFactor(1.0);
    ASSERT_TRUE(window.waitForContent());
    window.settle();
    const QRect page = window.pdf->pageRect(0);
    ASSERT_EQ(page.size(), QSize(420, 300));
    ASSERT_TRUE(window.pdf->viewport()->rect().contains(page));
    const QImage grabbed = window.pdf->viewport()->grab().toImage();
    const test::Ink shown = test::inkOf(rasterOf(grabbed.copy(page)), test::isRed);
    ASSERT_GT(shown.count, 20);
    // The lower-right quarter of the shown page, upright: a digit taller than wide.
    EXPECT_GE(shown.minX, 420 / 2);
    EXPECT_GE(shown.minY, 300 / 2);
    // The text box keeps 10 points from the right edge; the digit's ink lies within its advance.
    EXPECT_GE(420 - 1 - shown.maxX, 10);
    EXPECT_LT(420 - 1 - shown.maxX, 22);
    EXPECT_GT(shown.maxY - shown.minY, shown.maxX - shown.minX);

    test::WatermarkJob job = test::makeWatermarkJob(bytes);
    job.holder->model = window.body->model();
    const fs::path written = freshFolder() / "written.pdf";
    ASSERT_TRUE(job.write(written));
    const test::Ink printed = test::inkOf(test::renderCropBox(written, 1, 72), test::isRed);
    ASSERT_GT(printed.count, 20);
    EXPECT_NEAR(shown.minX, printed.minX, 2);
    EXPECT_NEAR(shown.maxX, printed.maxX, 2);
    EXPECT_NEAR(shown.minY, printed.minY, 2);
    EXPECT_NEAR(shown.maxY, printed.maxY, 2);
}

TEST(DocumentWindow, AModelChangeRedrawsWithoutRenderingTheContentAgain) {
    Window window(test::wordPages(2, 400, 500));
    window.settings().setSelectedTextItem(TextListItem{"1", "First"});
    Window::settle();
    ASSERT_TRUE(window.waitForContent(0));
    ASSERT_TRUE(window.waitForContent(1)); // the page below, kept at hand
    const QImage start = window.pdf->pageImage(0);
    const std::uint64_t renders = window.pdf->contentRenderCount();
    ASSERT_GT(renders, 0u);

    StampSettings stamp = SettingsTabController::defaultStampSettings();
    stamp.stampTextColor->stampText = "APPROVED";
    stamp.angle = WMAngles::d0;
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"the selected text",
         [&] {
             window.settings().setSelectedTextItem(TextListItem{"2", "Second"});
         }},
        {"the stamp", [&] { window.settings().setStampConf(stamp); }},
        {"the page number",
         [&] {
             window.settings().setOtherConf(
                 test::pageNumberSettings("#currentPage", Positions::bottomleft, 1, 2, 1));
         }},
    };
    QImage before = start;
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        change();
        Window::settle();
        const QImage after = window.pdf->pageImage(0);
        window.pdf->viewport()->repaint();
        EXPECT_NE(after, before);
        EXPECT_EQ(window.pdf->contentRenderCount(), renders);
        before = after;
    }
}

// What the watermarks cannot draw as they are set is told in an alert over the window, once: a
// stamp too long to draw, a picture too large to draw or no picture at all, a page-number format
// past the drawing bound. The changes after it, which draw the preview again, tell nothing more.
TEST(DocumentWindow, WhatTheWatermarksCannotDrawIsToldOnceInAnAlertOverTheWindow) {
    Window window(test::wordPages(1, 400, 500));
    const fs::path huge = freshFolder() / "huge.svg";
    test::writeFile(huge, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100000\" "
                          "height=\"100000\"><rect width=\"9\" height=\"9\"/></svg>");
    const fs::path notes = freshFolder() / "notes.png";
    test::writeFile(notes, "a note, not a picture");
    StampSettings stamp = SettingsTabController::defaultStampSettings();
    stamp.stampTextColor->stampText = std::string(maximumWatermarkTextLength, '-');
    stamp.angle = WMAngles::d0;
    const QString notDrawn = "A watermark is not drawn as it is set";
    const QString unusable = "The picture could not be used";
    const struct {
        const char* name;
        std::function<void()> change;
        QStringList alert;
    } cases[] = {
        {"stamp too long to draw",
         [&] { window.settings().setStampConf(stamp); },
         {notDrawn, "The stamp text is too long to draw: the stamp is left out."}},
        {"picture too large to draw",
         [&] { window.settings().setImageConf({.imageURL = Url::fileURL(huge)}); },
         {unusable, QString::fromUtf8("The picture is too large to draw (100000 \u00D7 100000 "
                                      "pixels): the image watermark is left out.")}},
        {"text file named like a picture",
         [&] { window.settings().setImageConf({.imageURL = Url::fileURL(notes)}); },
         {unusable, "The chosen file is neither a picture nor a PDF file: the image watermark "
                    "is left out."}},
        {"page-number format past the bound",
         [&] {
             window.settings().setOtherConf(test::pageNumberSettings(
                 "#currentPage " + std::string(maximumWatermarkTextLength, 'x'),
                 Positions::bottomleft, 1, 1, 1));
         },
         {notDrawn, "The page-number format is longer than 32767 characters: only its first "
                    "32767 are drawn."}},
    };
    auto shownAlerts = [&] {
        std::vector<QDialog*> shown;
        for (QDialog* dialog : window.view->findChildren<QDialog*>()) {
            if (dialog->isVisible()) {
                shown.push_back(dialog);
            }
        }
        return shown;
    };
    int item = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !shownAlerts().empty(); }, 20000));
        std::vector<QDialog*> alerts = shownAlerts();
        ASSERT_EQ(alerts.size(), 1u);
        QStringList lines;
        for (QLabel* label : alerts[0]->findChildren<QLabel*>()) {
            lines << label->text();
        }
        EXPECT_EQ(lines, c.alert);
        alerts[0]->reject();
        // Each change draws the preview again, with what was told still in it.
        for (int i = 0; i < 3; ++i) {
            window.settings().setSelectedTextItem(TextListItem{std::to_string(++item), "Text"});
            Window::settle();
        }
        EXPECT_TRUE(shownAlerts().empty());
    }
}

TEST(DocumentWindow, ALockedFileIgnoresClicksUntilTheRightPasswordIsTyped) {
    Window window(test::encryptPdf(test::wordPages(3, 400, 500), "secret", "secret"));
    ASSERT_TRUE(window.body->documentIsLocked());
    EXPECT_EQ(window.body->model()->maxNumberOfPage, 1);
    QLineEdit* password = window.pdf->passwordField();
    ASSERT_TRUE(password->isVisible());
    const QString locked =
        "This document is protected by a password. Type it to open the document.";
    EXPECT_EQ(QAccessible::queryAccessibleInterface(password)->text(QAccessible::Description),
              locked);

    const std::string save = NotificationDocumentCenter::scopedName("RequestToSave_", window.id());
    EXPECT_EQ(counted(save, [&] { window.clickOver(window.toolBar->exportButton()); }), 0);
    window.clickOver(window.tab->tabRow()->button(2));
    EXPECT_EQ(window.settings().tabSelection(), 0);

    // A wrong password is told under the field and to assistive tools, until the next key.
    QLabel* message = window.pdf->passwordMessage();
    EXPECT_FALSE(message->isVisible());
    QTest::keyClicks(password, "wrong");
    QTest::keyClick(password, Qt::Key_Return);
    EXPECT_TRUE(window.body->documentIsLocked());
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), "Incorrect password");
    EXPECT_EQ(password->accessibleDescription(), "Incorrect password");
    EXPECT_GE(message->y(), password->geometry().bottom());
    // What an assistive tool reads: the field's description, and the line itself.
    QAccessibleInterface* field = QAccessible::queryAccessibleInterface(password);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(QAccessible::Description), "Incorrect password");
    QAccessibleInterface* line = QAccessible::queryAccessibleInterface(message);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(QAccessible::Name), "Incorrect password");
    EXPECT_FALSE(line->state().invisible);
    QTest::keyClicks(password, "s");
    EXPECT_FALSE(message->isVisible());
    EXPECT_EQ(password->accessibleDescription(), locked);
    password->clear();

    QTest::keyClicks(password, "secret");
    QTest::keyClick(password, Qt::Key_Return);
    EXPECT_FALSE(window.body->documentIsLocked());
    EXPECT_FALSE(password->isVisible());
    EXPECT_EQ(window.body->model()->maxNumberOfPage, 3);
    EXPECT_EQ(window.settings().otherConf().pagenumberConf.maxPage, 3);
    EXPECT_EQ(window.main->unlockPassword(), "secret");
    EXPECT_EQ(window.pdf->pageCount(), 3);

    EXPECT_EQ(counted(save, [&] { window.clickOver(window.toolBar->exportButton()); }), 1);
    EXPECT_EQ(counted(NotificationDocumentCenter::scopedName("RequestToShare_", window.id()),
                      [&] { window.clickOver(window.toolBar->shareButton()); }),
              1);
    window.clickOver(window.tab->tabRow()->button(2));
    EXPECT_EQ(window.settings().tabSelection(), 2);
}

TEST(DocumentWindow, ZoomCommandsReachOnlyTheirOwnWindow) {
    Window window(test::wordPages(1, 400, 500));
    Window other(test::wordPages(1, 400, 500));
    PDFViewEdit* pdf = window.pdf;
    const double fitted = pdf->scaleFactor();
    auto post = [](const std::string& base, const std::string& id) {
        NotificationCenter::defaultCenter().post(NotificationDocumentCenter::scopedName(base, id));
        Window::settle();
    };
    post("MenuReuqestZoomIn_", other.id());
    EXPECT_EQ(pdf->scaleFactor(), fitted);
    post("MenuReuqestZoomIn_", window.id());
    EXPECT_FALSE(pdf->autoScales());
    EXPECT_DOUBLE_EQ(pdf->scaleFactor(), fitted * 1.25);
    post("MenuReuqestZoomOut_", window.id());
    post("MenuReuqestZoomOut_", window.id());
    EXPECT_DOUBLE_EQ(pdf->scaleFactor(), fitted / 1.25);
    post("MenuReuqestZoomToFit_", window.id());
    EXPECT_TRUE(pdf->autoScales());
    EXPECT_DOUBLE_EQ(pdf->scaleFactor(), fitted);

    // The menu's own command reaches the active window only.
    other.view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other.view.get()));
    NotificationCenter::defaultCenter().post("MenuReuqestZoomIn");
    Window::settle();
    EXPECT_DOUBLE_EQ(pdf->scaleFactor(), fitted);
    // (the other window was zoomed in once above)
    EXPECT_DOUBLE_EQ(other.pdf->scaleFactor(), fitted * 1.25 * 1.25);

    // Each channel knows its own window.
    EXPECT_EQ(NotificationDocumentCenterModifier::viewController(window.id()), window.view.get());
    EXPECT_EQ(NotificationDocumentCenterModifier::viewController(other.id()), other.view.get());
}

TEST(DocumentWindow, ADroppedImageIsAnnouncedAndShowsTheImageTab) {
    Window window(test::wordPages(1, 400, 500));
    const fs::path png = test::writeSolidPng(freshFolder() / "dropped.png", 10, 6, {0, 0, 1, 1});
    std::optional<Url> announced;
    ObserverToken token = NotificationCenter::defaultCenter().addObserver(
        NotificationDocumentCenter::scopedName("ExternalImageURL_", window.id()),
        [&announced](const Notification& n) {
            if (const auto* url = std::any_cast<Url>(&n.object)) {
                announced = *url;
            }
        });
    ASSERT_TRUE(test::dropFiles(window.main->pdfArea()->dropArea()->target(), {png}));
    ASSERT_TRUE(QTest::qWaitFor([&announced] { return announced.has_value(); }, 60000));
    EXPECT_NE(announced->path(), png);
    EXPECT_EQ(test::readFile(announced->path()), test::readFile(png));
    EXPECT_EQ(window.settings().tabSelection(), 1);
    EXPECT_EQ(window.tab->panels()->currentIndex(), 1);
}

TEST(DocumentWindow, AnOverwriteReplacesTheOpenedFileOrKeepsItWhole) {
    const std::string original = test::wordPages(1, 400, 500, "Original");
    Window window(original);
    ::chmod(window.file.c_str(), 0640);
    const fs::path exported = freshFolder() / "exported.pdf";
    const std::string replacement = test::wordPages(1, 400, 500, "Exported");
    test::writeFile(exported, replacement);
    const std::string name =
        NotificationDocumentCenter::scopedName("RequestToOverwrite_", window.id());

    // Something that is not a file address changes nothing.
    NotificationCenter::defaultCenter().post(name, exported.string());
    EXPECT_EQ(test::readFile(window.file), original);

    // A write that fails keeps the original, and lets the copy go: nothing saves it again.
    {
        test::FileSizeLimit limit(512);
        NotificationCenter::defaultCenter().post(name, Url::fileURL(exported));
    }
    EXPECT_EQ(test::readFile(window.file), original);
    EXPECT_FALSE(window.document->fileToSave);
    EXPECT_FALSE(window.document->dataToSave);
    const QList<QDialog*> messages = window.view->findChildren<QDialog*>();
    ASSERT_EQ(messages.size(), 1);
    messages.front()->close();

    NotificationCenter::defaultCenter().post(name, Url::fileURL(exported));
    EXPECT_EQ(test::readFile(window.file), replacement);
    EXPECT_FALSE(window.document->fileToSave);
    struct stat info {};
    ASSERT_EQ(::stat(window.file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(DocumentWindow, TheMoreOptionsWriteTheModelAndTheStoredOverwriteChoice) {
    ui::UserDefaults().setBool(ui::UserDefaults::overWrite, true);
    Window window(test::wordPages(1, 400, 500));
    const std::shared_ptr<FenWatermarkModel>& model = window.body->model();
    MainToolBarViewMoreButton* more = window.toolBar->moreButton();
    // The stored choice reaches a new window's model only when its More popover opens.
    EXPECT_FALSE(model->isOverwrite);
    QTest::mouseClick(more, Qt::LeftButton);
    ASSERT_TRUE(more->isPresented());
    EXPECT_TRUE(model->isOverwrite);
    EXPECT_TRUE(more->toggle("Overwrite Original")->isOn());

    QTest::mouseClick(more->toggle("Secure Saving")->toggleSwitch(), Qt::LeftButton);
    QTest::mouseClick(more->toggle("Password Protected")->toggleSwitch(), Qt::LeftButton);
    QTest::mouseClick(more->toggle("Overwrite Original")->toggleSwitch(), Qt::LeftButton);
    EXPECT_TRUE(model->isSecureSaving);
    EXPECT_TRUE(model->isPasswordProtected);
    EXPECT_FALSE(model->isOverwrite);
    EXPECT_FALSE(ui::UserDefaults().boolValue(ui::UserDefaults::overWrite, true));

    more->togglePresented();
    ASSERT_TRUE(QTest::qWaitFor([more] { return !more->isPresented(); }, 60000));
    model->isPasswordProtected = false;
    more->togglePresented();
    EXPECT_TRUE(more->toggle("Secure Saving")->isOn());
    EXPECT_FALSE(more->toggle("Password Protected")->isOn());
    more->togglePresented();
}

TEST(DocumentWindow, BytesThatAreNoPdfLeaveTheWindowSayingWhy) {
    Window window("not a PDF at all");
    EXPECT_EQ(window.main->pdfDocument(), nullptr);
    EXPECT_EQ(window.pdf->pageCount(), 0);
    EXPECT_EQ(window.body->model()->fileName, "document.pdf");
    EXPECT_EQ(window.main->failureLine()->text(),
              "document.pdf could not be opened: not a PDF document, or damaged");
    // Nothing to export from: no working copy, and no message box either.
    EXPECT_FALSE(window.body->model()->tmpOriginalDataStorage);
    EXPECT_TRUE(window.view->findChildren<QDialog*>().isEmpty());
}

TEST(DocumentWindow, ScrollingThroughALongDocumentKeepsFewPages) {
    Window window(test::wordPages(60, 400, 500));
    PDFViewEdit* pdf = window.pdf;
    pdf->setScaleFactor(1.0);
    int most = 0;
    for (int top = 0; top <= pdf->verticalScrollBar()->maximum(); top += pdf->height() / 2) {
        pdf->verticalScrollBar()->setValue(top);
        ASSERT_TRUE(window.waitForContent(pdf->currentPage()));
        most = std::max(most, pdf->cachedPageCount());
    }
    EXPECT_GT(pdf->contentRenderCount(), 50u);
    EXPECT_LE(most, 8);
}

} // namespace
} // namespace fen

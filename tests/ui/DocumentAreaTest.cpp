// The document area under heavy and huge pages, and for the keyboard and assistive tools: the
// event loop never waits on page content, memory stays bounded at every zoom, a tall document
// scrolls to its end, Home and End, the page it tells, one focused node and the focus frame.
#include "UiTestSupport.h"

#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/EditorPageRenderer.h"
#include "document/EditorPageRendererQueue.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/PDFViewEdit.h"
#include "export/FenFilesStorage.h"
#include "rendering/FenDocument.h"
#include "shell/KvDocument.h"
#include "support/PdfFixtures.h"
#include "support/Process.h"
#include "support/TestSupport.h"
#include "support/WindowMeasures.h"
#include "ui/Theme.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::FixturePage;

// A document window on a file holding `bytes`, not yet shown.
struct Window {
    std::shared_ptr<KvDocument> document;
    std::unique_ptr<DocumentView> view;
    PDFViewEdit* pdf = nullptr;
    int drawn = 0;

    explicit Window(const std::string& bytes) {
        std::error_code error;
        const fs::path file = FenFilesStorage::makeTemporaryFolder(error).value() / "area.pdf";
        test::writeFile(file, bytes);
        document = std::make_shared<KvDocument>(Url::fileURL(file));
        view = std::make_unique<DocumentView>(document, HorizontalSizeClass::regular);
        pdf = view->content()->body()->main()->pdfArea()->pdfView();
        QObject::connect(pdf, &PDFViewEdit::pageDrawn, pdf, [this] { ++drawn; });
        view->resize(1000, 700);
    }

    bool showLoaded() {
        view->show();
        FelDocumentViewMain* main = view->content()->body()->main();
        return QTest::qWaitFor([main] { return main->isLoaded(); }, 20000);
    }

    // Waits until page `index` is on the screen with its content at the current scale.
    bool waitDrawn(int index, int milliseconds = 90000) {
        drawn = 0;
        pdf->viewport()->update();
        return QTest::qWaitFor([this, index] { return drawn > 0 && pdf->hasContent(index); },
                               milliseconds);
    }

    // The share of the page's shown pixels that are not white.
    double inkShare(int index) const {
        const QRect shown = pdf->pageRect(index).intersected(pdf->viewport()->rect());
        const QImage picture = pdf->viewport()->grab().toImage();
        int inked = 0;
        for (int y = shown.top(); y <= shown.bottom(); ++y) {
            for (int x = shown.left(); x <= shown.right(); ++x) {
                inked += picture.pixelColor(x, y).lightness() < 250 ? 1 : 0;
            }
        }
        return shown.isEmpty() ? 0 : static_cast<double>(inked) / (shown.width() * shown.height());
    }

    QColor middlePixel(int index) const {
        const QRect shown = pdf->pageRect(index).intersected(pdf->viewport()->rect());
        return pdf->viewport()->grab().toImage().pixelColor(shown.center());
    }
};

// Runs the current test again in a process of its own and expects it to pass there; false in
// that process itself. Its peak memory is then its own, and the address sanitizer of a checked
// build keeps no quarantine of freed memory: the render threads would otherwise fill it,
// and the GUI thread would wait on its lock or find its peak grown by it.
bool ranAlone() {
    if (std::getenv("FENMOOR_ALONE")) {
        return false;
    }
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const process::Result child = process::run(
        {fs::read_symlink("/proc/self/exe").string(),
         std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()},
        {.environment = {{"FENMOOR_ALONE", "1"}, {"ASAN_OPTIONS", "quarantine_size_mb=0"}},
         .wallSeconds = 110});
    EXPECT_EQ(child.exitCode, 0) << child.out << child.err;
    std::printf("%s", child.out.c_str());
    return true;
}

TEST(DocumentArea, AHeavyPageNeverHoldsUpTheEventLoop) {
    if (ranAlone()) {
        return;
    }
    Window window(test::heavyPagePdf());
    test::StallMeter meter;
    QElapsedTimer drawing;
    drawing.start();
    ASSERT_TRUE(window.showLoaded());
    // A zoom step while the page's first content is still being drawn: that one is cancelled.
    QTest::qWait(100);
    const double fitted = window.pdf->scaleFactor();
    window.pdf->zoomIn();
    ASSERT_TRUE(window.waitDrawn(0));
    EXPECT_DOUBLE_EQ(window.pdf->scaleFactor(), fitted * 1.25);
    // The page takes seconds to draw: drawn on the GUI thread, it would stall the loop for about
    // that long. A machine busy with other work stalls the loop too, but for far less, so the
    // bound grows with the drawing time rather than being a time of its own.
    EXPECT_LT(meter.worstMs(), std::max(100.0, static_cast<double>(drawing.elapsed()) / 4))
        << "drawn in " << drawing.elapsed() << " ms";
    EXPECT_GT(window.inkShare(0), 0.3);
}

TEST(DocumentArea, AHugePageStaysWithinMemoryAtEveryZoomAndIsDrawn) {
    if (ranAlone()) {
        return;
    }
    const gfx::Rect page{0, 0, 14400, 14400};
    Window window(test::makePdf(
        {FixturePage{.media = page,
                     .content = test::fillRectOp(page, {0, 0, 1, 1}) +
                                test::fillRectOp({7000, 7000, 400, 400}, {1, 0, 0, 1})}}));
    test::restartPeakMemory();
    const double before = test::statusMiB("VmRSS");
    ASSERT_TRUE(window.showLoaded());
    PDFViewEdit* pdf = window.pdf;
    int steps = 0;
    while (true) {
        SCOPED_TRACE(pdf->scaleFactor());
        ASSERT_TRUE(window.waitDrawn(0));
        const QColor shown = window.middlePixel(0);
        EXPECT_TRUE(test::near(shown, Qt::blue, 8) || test::near(shown, Qt::red, 8))
            << shown.name().toStdString();
        if (pdf->scaleFactor() >= pdf->highestScale()) {
            break;
        }
        pdf->zoomIn();
        ++steps;
    }
    EXPECT_EQ(pdf->scaleFactor(), PDFViewEditLayout::maxScale);
    EXPECT_GT(steps, 15);
    const double peak = test::statusMiB("VmHWM");
    std::printf("huge page: peak %.1f MiB, %.1f MiB before opening\n", peak, before);
    EXPECT_LT(peak - before, 300);
}

TEST(DocumentArea, ATallDocumentScrollsToItsLastPageAtTheHighestZoom) {
    const gfx::Rect strip{0, 0, 100, 14400};
    const FixturePage page{.media = strip, .content = test::fillRectOp(strip, {0, 0.6, 0, 1})};
    Window window(test::makePdf(std::vector<FixturePage>(20000, page)));
    ASSERT_TRUE(window.showLoaded());
    PDFViewEdit* pdf = window.pdf;
    ASSERT_EQ(pdf->pageCount(), 20000);
    pdf->setScaleFactor(PDFViewEditLayout::maxScale);
    EXPECT_EQ(pdf->scaleFactor(), pdf->highestScale());
    EXPECT_GT(pdf->scaleFactor(), 7);

    QScrollBar* bar = pdf->verticalScrollBar();
    bar->setValue(bar->maximum());
    EXPECT_GT(bar->maximum(), INT_MAX / 10 * 9);
    EXPECT_EQ(pdf->currentPage(), 19999);
    EXPECT_TRUE(pdf->pageRect(19999).intersects(pdf->viewport()->rect()));
    ASSERT_TRUE(window.waitDrawn(19999));
    EXPECT_TRUE(test::near(window.middlePixel(19999), QColor(0, 153, 0), 8));
}

// The window's loader has the first page drawn before the area takes the document: it must ask
// for the picture the area will want, or the work is thrown away.
TEST(DocumentArea, TheLoaderAsksForTheFirstPageAsTheAreaWillShowIt) {
    Window window(test::wordPages(3, 400, 500));
    ASSERT_TRUE(window.showLoaded());
    PDFViewEdit* pdf = window.pdf;
    std::vector<gfx::Size> sizes;
    for (int i = 0; i < pdf->pageCount(); ++i) {
        sizes.push_back(EditorPageRenderer::displaySize(*pdf->document(), i));
    }
    struct Case {
        const char* what;
        double zoom; // 0: fitted
        bool whole;
    };
    const Case cases[] = {
        {"fitted", 0, true},
        {"zoomed", 1.5, true},
        {"too big to draw whole", 8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.zoom == 0) {
            pdf->setAutoScales(true);
        } else {
            pdf->setScaleFactor(c.zoom);
        }
        const std::optional<ContentRequest> request = pdf->firstContent()(sizes);
        ASSERT_EQ(request.has_value(), c.whole);
        if (!c.whole) {
            continue;
        }
        const double ratio = pdf->devicePixelRatioF();
        EXPECT_EQ(request->index, 0);
        EXPECT_DOUBLE_EQ(request->scale, pdf->scaleFactor() * ratio);
        const QRect page = pdf->pageRect(0);
        EXPECT_EQ(request->region, (PixelRect{0, 0, std::llround(page.width() * ratio),
                                              std::llround(page.height() * ratio)}));
    }
    EXPECT_FALSE(pdf->firstContent()({}).has_value());
}

// The loader's queue draws before the area exists: what comes back meanwhile waits for the area.
TEST(DocumentArea, APictureDrawnBeforeTheRenderQueueHasItsAreaReachesIt) {
    std::shared_ptr<FenDocument> document = FenDocument::fromData(test::wordPages(1, 400, 500));
    ASSERT_TRUE(document);
    const ContentRequest request{0, 1, {0, 0, 400, 500}};
    std::vector<ContentRequest> received;
    {
        EditorPageRendererQueue queue(document);
        queue.want({request});
        QTest::qWait(500); // the picture is drawn and comes back to the main thread meanwhile
        queue.deliverTo([&](const ContentRequest& r, const gfx::Image& content) {
            received.push_back(r);
            EXPECT_EQ(content.width(), 400);
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !received.empty(); }, 20000));
    }
    EXPECT_EQ(received, std::vector<ContentRequest>{request});
}

TEST(DocumentArea, HomeAndEndGoToTheFirstAndLastPage) {
    Window window(test::wordPages(30, 400, 500));
    ASSERT_TRUE(window.showLoaded());
    PDFViewEdit* pdf = window.pdf;
    pdf->setScaleFactor(1);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    };
    const Case cases[] = {
        {Qt::Key_End, Qt::NoModifier, 29},
        {Qt::Key_Home, Qt::NoModifier, 0},
        {Qt::Key_End, Qt::ControlModifier, 29},
        {Qt::Key_Home, Qt::ControlModifier, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
        QTest::keyClick(pdf, c.key, c.modifiers);
        EXPECT_EQ(pdf->currentPage(), c.page);
        const QRect shown = pdf->pageRect(c.page).intersected(pdf->viewport()->rect());
        EXPECT_GE(shown.height(), 400);
    }
}

TEST(DocumentArea, AssistiveToolsHearThePageAndOneFocusedNode) {
    Window window(test::wordPages(30, 400, 500));
    ASSERT_TRUE(test::showActive(*window.view));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.pdf->pageCount() == 30; }, 20000));
    PDFViewEdit* pdf = window.pdf;
    pdf->setScaleFactor(1);
    QAccessibleInterface* area = QAccessible::queryAccessibleInterface(pdf);
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->text(QAccessible::Description), "Page 1 of 30");
    pdf->verticalScrollBar()->setValue(pdf->verticalScrollBar()->maximum());
    EXPECT_EQ(area->text(QAccessible::Description), "Page 30 of 30");
    pdf->verticalScrollBar()->setValue(static_cast<int>(pdf->pageRect(11).top()) +
                                       pdf->verticalScrollBar()->value());
    EXPECT_EQ(area->text(QAccessible::Description), "Page 12 of 30");
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(pdf->verticalScrollBar())->text(QAccessible::Name),
        "Pages");

    pdf->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([pdf] { return pdf->hasFocus(); }, 60000));
    EXPECT_TRUE(area->state().focused);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(pdf->viewport())->state().focused);
}

TEST(DocumentArea, TheFocusFrameIsDrawnInTheHighlightColourInBothSchemes) {
    Window window(test::wordPages(1, 400, 500));
    ASSERT_TRUE(test::showActive(*window.view));
    PDFViewEdit* pdf = window.pdf;
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        const QPalette palette = ui::Theme::fixedPalette(dark);
        window.view->setPalette(palette);
        const QPoint corner(1, pdf->viewport()->height() / 2);
        window.view->setFocus();
        pdf->clearFocus();
        ASSERT_FALSE(pdf->hasFocus());
        const QColor unfocused = test::pixel(*pdf->viewport(), corner);
        pdf->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([pdf] { return pdf->hasFocus(); }, 60000));
        const QColor focused = test::pixel(*pdf->viewport(), corner);
        EXPECT_TRUE(test::near(focused, palette.color(QPalette::Highlight)))
            << focused.name().toStdString();
        EXPECT_FALSE(test::near(unfocused, palette.color(QPalette::Highlight)));
    }
}

} // namespace
} // namespace fen

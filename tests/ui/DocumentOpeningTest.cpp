// How a document window reads, holds and lets go of its file: files that cannot be opened say why
// in the window at once without holding up the event loop, a large file is held once, and closing
// the window removes its working copy and pictures but never an exported file.
#include "UiTestSupport.h"

#include "controls/ImageImporter.h"
#include "controls/ToolBarViewButton.h"
#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentExportPicker.h"
#include "document/FelDocumentSaverView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/MainToolBarView.h"
#include "export/FenFilesStorage.h"
#include "export/NotificationDocumentCenter.h"
#include "model/FenWatermarkModel.h"
#include "rendering/FenDocument.h"
#include "shell/KvDocument.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WindowMeasures.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace fen {
namespace {

namespace fs = std::filesystem;

// A document window on `file`, shown; its load runs on.
struct OpenedWindow {
    std::shared_ptr<KvDocument> document;
    std::unique_ptr<DocumentView> view;
    FelDocumentViewMain* main = nullptr;

    explicit OpenedWindow(const fs::path& file)
        : document(std::make_shared<KvDocument>(Url::fileURL(file))),
          view(std::make_unique<DocumentView>(document)), main(view->content()->body()->main()) {
        view->resize(1000, 700);
        view->show();
    }

    std::string id() const { return view->content()->channel()->id(); }
    const std::shared_ptr<FenWatermarkModel>& model() const {
        return view->content()->body()->model();
    }
};

TEST(DocumentOpening, FilesThatCannotBeOpenedSayWhyAtOnceAndTheLoopRunsOn) {
    test::TempDir dir;
    test::writeFile(dir / "notes.pdf", "Notes to self, not a PDF at all.\n");
    const std::string whole = test::wordPages(2, 400, 500);
    test::writeFile(dir / "cut.pdf", whole.substr(0, whole.size() / 4));
    ASSERT_EQ(::mkfifo((dir / "pipe.pdf").c_str(), 0600), 0);
    fs::create_directory(dir / "folder.pdf");
    struct Case {
        fs::path file;
        std::string line;
    };
    const std::vector<Case> cases = {
        {dir / "missing.pdf", "missing.pdf could not be opened: no such file or directory"},
        {dir / "notes.pdf", "notes.pdf could not be opened: not a PDF document, or damaged"},
        {dir / "cut.pdf", "cut.pdf could not be opened: not a PDF document, or damaged"},
        {dir / "pipe.pdf", "pipe.pdf could not be opened: not a regular file"},
        {dir / "folder.pdf", "folder.pdf could not be opened: is a directory"},
        {"/dev/zero", "zero could not be opened: not a regular file"},
    };
    // The longest time the event loop went without running a 10 ms timer, while they open.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestGap = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    clock.start();
    beat.start(10);
    std::vector<std::unique_ptr<OpenedWindow>> windows;
    for (const Case& c : cases) {
        windows.push_back(std::make_unique<OpenedWindow>(c.file));
    }
    EXPECT_TRUE(QTest::qWaitFor(
        [&windows] {
            return std::all_of(windows.begin(), windows.end(),
                               [](const auto& window) { return window->main->isLoaded(); });
        },
        60000));
    QTest::qWait(50);
    // A pipe or a device read on the GUI thread holds the loop for ever; a machine busy with
    // other work holds it for far less than this.
    EXPECT_LT(longestGap, 10000);

    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].file.string());
        FelDocumentViewMain* main = windows[i]->main;
        ASSERT_TRUE(main->isLoaded());
        EXPECT_EQ(main->pdfDocument(), nullptr);
        const QLabel* line = main->failureLine();
        EXPECT_TRUE(line->isVisible());
        EXPECT_EQ(line->text().toStdString(), cases[i].line);
        EXPECT_EQ(line->accessibleName().toStdString(), cases[i].line);
        MainToolBarView* bar = main->toolBar();
        EXPECT_FALSE(bar->exportButton()->isEnabled());
        EXPECT_FALSE(bar->shareButton()->isEnabled());
        EXPECT_FALSE(bar->moreButton()->isEnabled());
        // Nothing to export from: no working copy.
        EXPECT_FALSE(windows[i]->model()->tmpOriginalDataStorage);
    }

    // A file that opens shows no line and keeps its buttons.
    const fs::path good = dir / "good.pdf";
    test::writeFile(good, whole);
    OpenedWindow window(good);
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window.main->isLoaded(); }, 20000));
    EXPECT_NE(window.main->pdfDocument(), nullptr);
    EXPECT_FALSE(window.main->failureLine()->isVisible());
    EXPECT_TRUE(window.main->toolBar()->exportButton()->isEnabled());
    EXPECT_TRUE(window.main->toolBar()->moreButton()->isEnabled());
}

TEST(DocumentOpening, ClosingAWindowRemovesItsWorkingCopyAndPicturesButNoExport) {
    test::TempDir dir;
    test::writeFile(dir / "report.pdf", test::wordPages(1, 400, 500));
    auto window = std::make_unique<OpenedWindow>(dir / "report.pdf");
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window->main->isLoaded(); }, 20000));
    const std::optional<Url> workingCopy = window->model()->tmpOriginalDataStorage;
    ASSERT_TRUE(workingCopy);
    EXPECT_EQ(workingCopy->lastPathComponent(), "tmp.pdf");

    // A dropped picture is copied into a folder of its own.
    std::optional<Url> picture;
    ObserverToken token = NotificationCenter::defaultCenter().addObserver(
        NotificationDocumentCenter::scopedName("ExternalImageURL", window->id()),
        [&picture](const Notification& n) {
            if (const auto* url = std::any_cast<Url>(&n.object)) {
                picture = *url;
            }
        });
    const fs::path png = test::writeSolidPng(dir / "dropped.png", 10, 6, {0, 0, 1, 1});
    ASSERT_TRUE(test::dropFiles(window->main->pdfArea()->dropArea()->target(), {png}));
    ASSERT_TRUE(QTest::qWaitFor([&picture] { return picture.has_value(); }, 60000));
    const fs::path pictureFolder = picture->path().parent_path();
    ASSERT_TRUE(fs::exists(picture->path()));

    // An export writes a file for the user, and one still under way holds the working copy.
    const std::optional<Url> exported = FenFilesStorage::writeDocumentToTemporaryFile(
        window->main->pdfDocument().get(), std::nullopt, "report_Exported.pdf");
    ASSERT_TRUE(exported);
    std::shared_ptr<TemporaryFolder> exportUnderWay = FenFilesStorage::keep(*workingCopy);
    ASSERT_TRUE(exportUnderWay);

    window.reset();
    EXPECT_FALSE(fs::exists(pictureFolder));
    EXPECT_TRUE(fs::exists(workingCopy->path()));
    exportUnderWay.reset();
    EXPECT_FALSE(fs::exists(workingCopy->path().parent_path()));
    EXPECT_TRUE(fs::exists(exported->path()));
    EXPECT_TRUE(fs::exists(png));
}

TEST(DocumentOpening, ClosingAWindowWithNoExportUnderWayRemovesItsWorkingCopyAtOnce) {
    test::TempDir dir;
    test::writeFile(dir / "report.pdf", test::wordPages(1, 400, 500));
    auto window = std::make_unique<OpenedWindow>(dir / "report.pdf");
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window->main->isLoaded(); }, 20000));
    const std::optional<Url> workingCopy = window->model()->tmpOriginalDataStorage;
    ASSERT_TRUE(workingCopy);

    // An export that has ended holds nothing of it.
    bool copied = false;
    FelDocumentExportPicker::Dialogs dialogs;
    dialogs.chooseFile = [&](QWidget*, const QString&, const QString&,
                             FelDocumentExportPicker::Answer answer) {
        answer(QString::fromStdString((dir / "copy.pdf").string()));
    };
    window->main->saverView()->setPickerDialogs(dialogs);
    window->main->saverView()->setPickerDone([&](const std::vector<fs::path>&) { copied = true; });
    QTest::mouseClick(window->main->toolBar()->exportButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return copied; }, 60000));
    ASSERT_TRUE(fs::exists(workingCopy->path()));

    window.reset();
    EXPECT_FALSE(fs::exists(workingCopy->path().parent_path()));
    EXPECT_TRUE(fs::exists(dir / "copy.pdf"));
}

// A PDF of one small page and one stream, never drawn, that makes it about `size` bytes long,
// written piece by piece so the test itself never holds it.
void writeLargePdf(const fs::path& path, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    std::vector<std::size_t> offsets;
    const auto object = [&](const std::string& text) {
        offsets.push_back(static_cast<std::size_t>(out.tellp()));
        out << offsets.size() << " 0 obj\n" << text;
    };
    out << "%PDF-1.7\n";
    object("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n");
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Contents 4 0 R >>\nendobj\n");
    const std::string content = "0 0 1 rg 10 10 100 100 re f";
    object("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
           "\nendstream\nendobj\n");
    const std::size_t bulk = size - static_cast<std::size_t>(out.tellp()) - 400;
    object("<< /Length " + std::to_string(bulk) + " >>\nstream\n");
    const std::string piece(1 << 20, 'x');
    for (std::size_t left = bulk; left > 0;) {
        const std::size_t n = std::min(left, piece.size());
        out.write(piece.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
    out << "\nendstream\nendobj\n";
    const auto xref = static_cast<std::size_t>(out.tellp());
    out << "xref\n0 " << offsets.size() + 1 << "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        out << entry;
    }
    out << "trailer\n<< /Size " << offsets.size() + 1 << " /Root 1 0 R >>\nstartxref\n"
        << xref << "\n%%EOF\n";
}

// A figure of this process's memory from /proc/self/status, in bytes.
std::size_t memoryFigure(const std::string& name) {
    return static_cast<std::size_t>(test::statusMiB(name) * (1 << 20));
}

TEST(DocumentOpening, ALargeFileIsHeldOnceBeyondItsParsedDocument) {
    test::TempDir dir;
    const fs::path file = dir / "large.pdf";
    writeLargePdf(file, 200u << 20);
    const std::size_t size = fs::file_size(file);
    ASSERT_GT(size, 199u << 20);
    // The peak counts from here.
    test::restartPeakMemory();
    const std::size_t before = memoryFigure("VmRSS");
    ASSERT_LE(memoryFigure("VmHWM"), before + (8u << 20)) << "the peak could not be reset";

    OpenedWindow window(file);
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window.main->isLoaded(); }, 60000));
    ASSERT_NE(window.main->pdfDocument(), nullptr);
    EXPECT_EQ(window.main->pdfDocument()->data().size(), size);
    EXPECT_EQ(fs::file_size(window.model()->tmpOriginalDataStorage->path()), size);
    QTest::qWait(100);
    const std::size_t peak = memoryFigure("VmHWM") - before;
    const std::size_t held = memoryFigure("VmRSS") - before;
    std::printf("200 MiB file: peak %.0f MiB while opening, %.0f MiB held once open\n",
                static_cast<double>(peak) / (1 << 20), static_cast<double>(held) / (1 << 20));
    // The parsed document's bytes and at most one copy more, at the worst moment.
    EXPECT_LT(peak, 2 * size);
    // Once open, the document's own bytes and little else.
    EXPECT_LT(held, size + size / 4);
}

} // namespace
} // namespace fen

#include "export/FenExportRenderer.h"

#include "export/FenFilesStorage.h"
#include "export/NotificationDocumentCenter.h"
#include "export/SaverStopper.h"
#include "model/FenWatermarkModel.h"
#include "platform/foundation/MainQueue.h"
#include "rendering/DrawingHelpers.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "rendering/WatermarkNotices.h"
#include "support/PdfFixtures.h"
#include "support/SmallFileSystem.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"
#include "support/WriteLog.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <csignal>
#include <set>
#include <thread>

#include <sys/resource.h>

namespace fen {
namespace {

namespace fs = std::filesystem;
using Failure = FenExportRenderer::Failure;

// Every test sees exactly what an export leaves in the temporary directory.
class FenExportRendererTest : public ::testing::Test {
protected:
    test::TemporaryDirectoryScope tmp_;
};

// Pages whose own content says nothing the watermark texts say.
std::string bodyPdf(int pages) {
    return test::wordPages(pages, 400, 400);
}

std::shared_ptr<FenWatermarkModel> textModel() {
    auto model = std::make_shared<FenWatermarkModel>();
    model->textConf = test::textSettings(Positions::middle, 24, {0, 0, 0, 1});
    return model;
}

FenExportRenderer::Request request(std::shared_ptr<FenWatermarkModel> model, std::string data,
                                   std::vector<std::string> texts, std::string fileName) {
    FenExportRenderer::Request r;
    r.model = std::move(model);
    r.data = std::make_shared<const std::string>(std::move(data));
    r.textItems = std::move(texts);
    r.fileName = std::move(fileName);
    return r;
}

// An export as the window's save runs it without a stopper, flattening or channel.
std::vector<Url> renderFiles(std::shared_ptr<FenWatermarkModel> model, std::string data,
                             std::vector<std::string> texts, std::string fileName,
                             std::optional<std::string> password = {}) {
    return FenExportRenderer::renderWatermarkedPDF(std::move(model), std::move(data),
                                                   std::move(texts), std::move(fileName), nullptr,
                                                   false, std::move(password), nullptr);
}

// The progress a window would see for its channel: the processing names and the write
// notifications of documents carrying its identifier.
test::WriteLog progressOf(const NotificationDocumentCenter& center) {
    return test::WriteLog(
        [id = center.id()](const Notification& n) {
            return FenExportRenderer::writingDocumentIdentifier(n) == id;
        },
        &center);
}

TEST_F(FenExportRendererTest, OneFilePerTextInItsOwnFolderInListOrderShowingItsText) {
    const std::vector<std::string> texts{"Alpha", "Beta/Gamma", "Delta", "Alpha", "BetaGamma"};
    auto urls = renderFiles(textModel(), bodyPdf(2), texts, "Report.pdf");
    ASSERT_EQ(urls.size(), 5u);
    // The opened file's ".pdf" goes before the suffix; the joined name is cleaned; a name an
    // earlier output has (an equal text, or one that only the cleaning made equal) is numbered.
    const char* names[] = {"Report_Alpha.pdf", "Report_BetaGamma.pdf", "Report_Delta.pdf",
                           "Report_Alpha 2.pdf", "Report_BetaGamma 2.pdf"};
    std::set<fs::path> folders;
    for (std::size_t i = 0; i < urls.size(); ++i) {
        fs::path file = urls[i].path();
        EXPECT_EQ(file.filename(), names[i]);
        folders.insert(file.parent_path());
        EXPECT_EQ(file.parent_path().parent_path(), tmp_.path());
        EXPECT_TRUE(test::qpdfCheck(file));
        const auto words = test::pdftotextBBox(file);
        for (int page : {1, 2}) {
            const std::string text = test::pageText(words, page);
            for (const auto& other : texts) {
                EXPECT_EQ(text.find(other) != std::string::npos, other == texts[i] ||
                                                                     (i == 1 && other == "Beta") ||
                                                                     (i == 4 && other == "Beta"))
                    << file << " page " << page << " " << other;
            }
        }
    }
    EXPECT_EQ(folders.size(), 5u);
}

TEST_F(FenExportRendererTest, NamesAreCutToTheNameLimitOnACharacterAndNumberedWhenTaken) {
    const std::string cjk = "\xE6\xBC\xA2"; // one character of three bytes
    std::string cjkName;
    for (int i = 0; i < 86; ++i) {
        cjkName += cjk;
    }
    const std::string longName(300, 'x');
    const std::vector<std::string> fileNames = FenExportRenderer::distinctFileNames(
        {"A", "A", "A 2", longName, longName + "y", cjkName, "B"});
    ASSERT_EQ(fileNames.size(), 7u);
    EXPECT_EQ(fileNames[0], "A.pdf");
    EXPECT_EQ(fileNames[1], "A 2.pdf");
    EXPECT_EQ(fileNames[2], "A 2 2.pdf");
    EXPECT_EQ(fileNames[3], std::string(251, 'x') + ".pdf");
    // Equal once cut: the number fits within the limit too.
    EXPECT_EQ(fileNames[4], std::string(249, 'x') + " 2.pdf");
    // 83 whole characters (249 bytes); the 84th would pass 251.
    EXPECT_EQ(fileNames[5], cjkName.substr(0, 249) + ".pdf");
    EXPECT_EQ(fileNames[6], "B.pdf");

    // Texts of 300 characters and of 86 CJK characters are written, in the window's export and
    // without a list alike.
    auto urls = renderFiles(textModel(), bodyPdf(1), {longName, cjkName, longName}, "Doc.pdf");
    ASSERT_EQ(urls.size(), 3u);
    EXPECT_EQ(urls[0].lastPathComponent(), "Doc_" + std::string(247, 'x') + ".pdf");
    EXPECT_EQ(urls[1].lastPathComponent().size(), 4 + 246 + 4u);
    EXPECT_EQ(urls[2].lastPathComponent(), "Doc_" + std::string(245, 'x') + " 2.pdf");
    for (const Url& url : urls) {
        EXPECT_TRUE(test::qpdfCheck(url.path()));
    }
    urls = renderFiles(textModel(), bodyPdf(1), {}, longName);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0].lastPathComponent(), std::string(251, 'x') + ".pdf");
}

// File managers hide a file whose name starts with ".": no output is named so, whatever the text
// or the opened file's name; a dot further in stays.
TEST_F(FenExportRendererTest, NoOutputNameStartsWithADot) {
    EXPECT_EQ(FenExportRenderer::distinctFileNames({"._Doc", ".", "..x.y", "", "Doc_.", "_"}),
              (std::vector<std::string>{"__Doc.pdf", "_.pdf", "__x.y.pdf", "_ 2.pdf", "Doc_..pdf",
                                        "_ 3.pdf"}));
    auto r = request(textModel(), bodyPdf(1), {".", ".hidden", "."}, ".Doc.pdf");
    r.textAtStart = true;
    std::vector<std::string> written;
    for (const auto& output : FenExportRenderer::render(r)) {
        ASSERT_TRUE(output.location);
        written.push_back(output.location->lastPathComponent());
    }
    EXPECT_EQ(written,
              (std::vector<std::string>{"__.Doc.pdf", "_hidden_.Doc.pdf", "__.Doc 2.pdf"}));
    const auto alone = renderFiles(textModel(), bodyPdf(1), {}, ".Doc.pdf");
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].lastPathComponent(), "_Doc.pdf");
}

TEST_F(FenExportRendererTest, ThePictureIsThePreviewsWhenItWasMadeFromTheSameFile) {
    test::TempDir dir;
    const fs::path picture = test::writeSolidPng(dir / "logo.png", 60, 60, {1, 0, 0, 1});
    auto model = std::make_shared<FenWatermarkModel>();
    model->imageConf =
        ImageSettings{.imageURL = Url::fileURL(picture), .position = Positions::topleft};
    auto preview = std::make_shared<FenObjectHolder>();
    preview->updateImageObject(model->imageConf);
    // The file changes after the preview was made.
    test::writeSolidPng(picture, 60, 60, {0, 0, 1, 1});
    auto inkOf = [&](std::shared_ptr<const FenObjectHolder> holder) {
        auto r = request(model, bodyPdf(1), {}, "Doc");
        r.preview = std::move(holder);
        auto outputs = FenExportRenderer::render(r);
        EXPECT_TRUE(outputs.at(0).location);
        const test::Raster page = test::renderCropBox(outputs.at(0).location->path(), 1);
        return std::pair(test::inkOf(page, test::isRed).count,
                         test::inkOf(page, [](const test::Rgb& c) {
                             return c.b > 200 && c.r < 60 && c.g < 60;
                         }).count);
    };
    const auto [redShown, blueShown] = inkOf(preview);
    EXPECT_GT(redShown, 100);
    EXPECT_EQ(blueShown, 0);
    // A preview of another file, or none, leaves the file to be read.
    auto other = std::make_shared<FenObjectHolder>();
    other->adoptImageObjects(*preview);
    other->imageURL = Url::fileURL(dir / "other.png");
    for (const auto& holder : {other, std::shared_ptr<FenObjectHolder>()}) {
        const auto [red, blue] = inkOf(holder);
        EXPECT_EQ(red, 0);
        EXPECT_GT(blue, 100);
    }
}

// The window's exports share the scope of its preview: what the preview told (a stamp text drawn
// cut) is not told again, and a text drawn cut is told once over every file of every export.
TEST_F(FenExportRendererTest, AnExportTellsOnlyWhatItsWindowHasNotBeenToldYet) {
    const std::string past(maximumWatermarkTextLength + 1, 'W');
    auto model = textModel();
    model->stampConf =
        StampSettings{.stampTextColor = StampTextColor{past, {1, 0, 0, 1}}, .angle = WMAngles::d0};
    std::vector<std::string> lines;
    auto preview = std::make_shared<FenObjectHolder>();
    preview->notices = std::make_shared<WatermarkNotices>(
        [&lines](WatermarkNotices::Kind, const std::string& line) { lines.push_back(line); });
    preview->updateStampObject(model->stampConf);
    ASSERT_EQ(lines.size(), 1u);
    for (int run = 0; run < 2; ++run) {
        auto r = request(model, bodyPdf(1), {past, past + "!"}, "Doc");
        r.preview = preview;
        for (const auto& output : FenExportRenderer::render(r)) {
            EXPECT_TRUE(output.location);
        }
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "The stamp text is longer than 32767 characters: only its first 32767 "
                         "are drawn.",
                         "The text watermark is longer than 32767 characters: only its first "
                         "32767 are drawn."}));
}

// The objects a written file holds, and the distinct XObjects its pages place (the layers, the
// pictures): what a page shares with the others is one object, however many pages place it.
struct FileObjects {
    int objects = 0;
    std::set<QPDFObjGen> placed;
    int placements = 0;
};

FileObjects objectsOf(const fs::path& pdf) {
    QPDF qpdf;
    qpdf.processFile(pdf.string().c_str());
    FileObjects facts;
    facts.objects = qpdf.getObjectCount();
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(qpdf).getAllPages()) {
        QPDFObjectHandle xobjects = page.getAttribute("/Resources", false).getKey("/XObject");
        if (!xobjects.isDictionary()) {
            continue;
        }
        for (auto& [name, xobject] : xobjects.ditems()) {
            facts.placed.insert(xobject.getObjGen());
            ++facts.placements;
        }
    }
    return facts;
}

TEST_F(FenExportRendererTest, EveryFileOfAListSharesItsLayersAndPicturesBetweenItsPagesAlike) {
    test::TempDir dir;
    auto model = textModel();
    model->imageConf = ImageSettings{
        .imageURL = Url::fileURL(test::writeSolidPng(dir / "logo.png", 300, 300, {0, 0.6, 0, 1})),
        .position = Positions::topright};
    model->stampConf = StampSettings{.stampTextColor = StampTextColor{"paid", {0, 0, 1, 0.8}},
                                     .position = Positions::bottomright,
                                     .sizeopacity = {40, 80}};
    const int pages = 6;
    auto urls = renderFiles(model, bodyPdf(pages), {"One", "Two", "Three"}, "Doc");
    ASSERT_EQ(urls.size(), 3u);
    std::vector<FileObjects> files;
    for (const Url& url : urls) {
        files.push_back(objectsOf(url.path()));
        // The picture and the stamp are each written once, whichever page shows them.
        std::set<std::string> pictures;
        for (const test::PdfImageRow& row : test::pdfImages(url.path())) {
            pictures.insert(std::to_string(row.width) + "x" + std::to_string(row.height) + " " +
                            row.object);
        }
        EXPECT_EQ(pictures.size(), 2u) << url.path();
    }
    const uintmax_t firstSize = fs::file_size(urls[0].path());
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(urls[i].lastPathComponent());
        // The pages place their layers many times over but hold few of them: each page draws the
        // same layer as the others.
        EXPECT_GE(files[i].placements, pages);
        EXPECT_LE(files[i].placed.size(), 4u);
        EXPECT_EQ(files[i].objects, files[0].objects);
        EXPECT_EQ(files[i].placed.size(), files[0].placed.size());
        const double ratio = double(fs::file_size(urls[i].path())) / double(firstSize);
        EXPECT_NEAR(ratio, 1.0, 0.05);
    }
}

TEST_F(FenExportRendererTest, WithoutAListOneFileNamedAfterTheNameUncleanedSelectionUntouched) {
    auto model = textModel();
    model->selectedTextItem = TextListItem{"ID-1", "Kept"};
    int sends = 0;
    Connection counting = model->watermarkModelPublisher.connect([&] { ++sends; });
    auto urls = renderFiles(model, bodyPdf(1), {}, "Q1: plan\\x");
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0].lastPathComponent(), "Q1: plan\\x.pdf");
    EXPECT_NE(test::pdftotext(urls[0].path()).find("Kept"), std::string::npos);
    EXPECT_EQ(model->selectedTextItem, (TextListItem{"ID-1", "Kept"}));
    EXPECT_EQ(sends, 0);
    // The opened file's extension is not doubled.
    urls = renderFiles(model, bodyPdf(1), {}, "Report.PDF");
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0].lastPathComponent(), "Report.pdf");
}

TEST_F(FenExportRendererTest, WithAPasswordEvenAnEmptyOneEveryFileNeedsIt) {
    for (const std::string& password : {std::string("s3cret"), std::string(127, 'p')}) {
        for (const auto& texts : std::vector<std::vector<std::string>>{{"A", "B"}, {}}) {
            auto urls = renderFiles(textModel(), bodyPdf(1), texts, "Doc", password);
            ASSERT_EQ(urls.size(), std::max<std::size_t>(texts.size(), 1));
            for (const auto& url : urls) {
                EXPECT_FALSE(test::qpdfCheck(url.path())) << url.path();
                EXPECT_TRUE(test::qpdfCheck(url.path(), password)) << url.path();
            }
        }
    }
    // A password longer than the format compares would give a file no password opens.
    EXPECT_TRUE(renderFiles(textModel(), bodyPdf(1), {"A"}, "Doc", std::string(128, 'p')).empty());
    auto urls = renderFiles(textModel(), bodyPdf(1), {"A"}, "Doc", "");
    ASSERT_EQ(urls.size(), 1u);
    auto shown = test::runCommand({"qpdf", "--show-encryption", urls[0].path().string()});
    EXPECT_NE(shown.out.find("R = 6"), std::string::npos) << shown.out;
}

// An export reads the document's bytes once: every document it opens (each file's, and the one
// flattened pages are drawn from) reads the request's buffer, never a copy of it.
TEST_F(FenExportRendererTest, EveryDocumentOfAnExportReadsTheRequestsOneBuffer) {
    for (const bool secure : {false, true}) {
        SCOPED_TRACE(secure);
        FenExportRenderer::Request r = request(textModel(), bodyPdf(2), {"One", "Two"}, "Doc");
        r.isSecureSaving = secure;
        std::vector<const char*> read;
        auto token = NotificationCenter::defaultCenter().addObserver(
            pdfDocumentDidBeginWriteNotification, [&](const Notification& n) {
                auto* document =
                    dynamic_cast<FenDocument*>(std::any_cast<pdf::Document*>(n.object));
                ASSERT_TRUE(document && document->wmObjectHolder);
                read.push_back(document->data().data());
                if (secure) {
                    ASSERT_TRUE(document->wmObjectHolder->pdfDoc);
                    read.push_back(document->wmObjectHolder->pdfDoc->data().data());
                }
            });
        const auto outputs = FenExportRenderer::render(r);
        ASSERT_EQ(outputs.size(), 2u);
        EXPECT_TRUE(outputs[0].location && outputs[1].location);
        EXPECT_EQ(read, std::vector<const char*>(secure ? 4 : 2, r.data->data()));
    }
}

TEST_F(FenExportRendererTest, ProgressArrivesInOrderForEachFileOnlyForItsWindowAndWithAStopper) {
    auto center = NotificationDocumentCenter::makeDocumentNotificationCenter();
    auto other = NotificationDocumentCenter::makeDocumentNotificationCenter();
    test::WriteLog log = progressOf(*center);
    test::WriteLog otherLog = progressOf(*other);
    std::vector<std::optional<std::string>> identifiers;
    auto token = NotificationCenter::defaultCenter().addObserver(
        pdfDocumentDidBeginWriteNotification, [&](const Notification& n) {
            identifiers.push_back(FenExportRenderer::writingDocumentIdentifier(n));
        });
    auto r = request(textModel(), bodyPdf(3), {"A", "B:C"}, "Report.pdf");
    r.stopper = std::make_shared<SaverStopper>();
    r.center = center;
    std::vector<FenExportRenderer::Output> outputs;
    // As the saver runs it: on a worker thread.
    std::thread worker([&] { outputs = FenExportRenderer::render(r); });
    worker.join();
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_TRUE(outputs[0].location && outputs[1].location);
    EXPECT_EQ(log.events(), (std::vector<std::string>{"name:Report_A", "begin", "page:0", "page:1",
                                                      "page:2", "end", "name:Report_BC", "begin",
                                                      "page:0", "page:1", "page:2", "end"}));
    EXPECT_TRUE(otherLog.events().empty());
    // The one file of an export without a list: its name as given (without ".pdf").
    r.textItems.clear();
    FenExportRenderer::render(r);
    auto events = log.events();
    EXPECT_EQ(
        std::vector<std::string>(events.begin() + 12, events.end()),
        (std::vector<std::string>{"name:Report", "begin", "page:0", "page:1", "page:2", "end"}));
    // Processing names need both a stopper and a channel; the identifier needs the channel.
    r.stopper = nullptr;
    FenExportRenderer::render(r);
    r.center = nullptr;
    r.stopper = std::make_shared<SaverStopper>();
    FenExportRenderer::render(r);
    events = log.events();
    EXPECT_EQ(std::vector<std::string>(events.begin() + 18, events.end()),
              (std::vector<std::string>{"begin", "page:0", "page:1", "page:2", "end"}));
    ASSERT_EQ(identifiers.size(), 5u);
    EXPECT_EQ(identifiers[3], center->id());
    EXPECT_EQ(identifiers[4], std::nullopt);
}

TEST_F(FenExportRendererTest, AStoppedExportRemovesThePartialFileAndWritesNoFurtherFile) {
    auto center = NotificationDocumentCenter::makeDocumentNotificationCenter();
    test::WriteLog log = progressOf(*center);
    auto r = request(textModel(), bodyPdf(4), {"A", "B", "C"}, "Report");
    r.stopper = std::make_shared<SaverStopper>();
    r.center = center;
    // Cancel while the second file is half written.
    int ends = 0;
    log.onEvent = [&](const std::string& event) {
        ends += event == "end";
        if (ends == 1 && event == "page:1") {
            r.stopper->isStopRunning = true;
        }
    };
    auto outputs = FenExportRenderer::render(r);
    ASSERT_EQ(outputs.size(), 2u);
    ASSERT_TRUE(outputs[0].location);
    EXPECT_EQ(outputs[0].location->lastPathComponent(), "Report_A.pdf");
    EXPECT_FALSE(outputs[1].location);
    EXPECT_EQ(outputs[1].failure, Failure::stopped);
    EXPECT_EQ(outputs[1].fileName, "Report_B.pdf");
    // Only the first file is left; the second file's folder went with it.
    EXPECT_EQ(tmp_.filesLeft(), std::vector<fs::path>{outputs[0].location->path()});
    for (const auto& event : log.events()) {
        EXPECT_NE(event, "name:Report_C");
    }
    // A stopper set before the start writes nothing at all.
    auto urls = FenExportRenderer::renderWatermarkedPDF(textModel(), bodyPdf(1), {}, "Doc",
                                                        r.stopper, false, {}, center);
    EXPECT_TRUE(urls.empty());
    EXPECT_EQ(tmp_.filesLeft().size(), 1u);
}

// A main queue that runs tasks inline but knows when it is running one.
class MarkingQueue : public MainQueue::Executor {
public:
    void post(MainQueue::Task task) override { invokeAndWait(task); }
    void invokeAndWait(const MainQueue::Task& task) override {
        running = true;
        task();
        running = false;
    }
    bool running = false;
};

TEST_F(FenExportRendererTest, SelectionChangesOnTheMainQueueAndIsRestoredAndSentOnceAtTheEnd) {
    auto queue = std::make_shared<MarkingQueue>();
    auto previous = MainQueue::install(queue);
    auto model = textModel();
    model->selectedTextItem = TextListItem{"ID-0", "Before"};
    std::vector<std::string> seen;
    bool allOnMain = true;
    Connection watching = model->watermarkModelPublisher.connect([&] {
        allOnMain = allOnMain && queue->running;
        seen.push_back(model->selectedTextItem ? model->selectedTextItem->text : "<none>");
    });
    auto urls = renderFiles(model, bodyPdf(1), {"One", "Two"}, "Doc");
    MainQueue::install(previous);
    EXPECT_EQ(urls.size(), 2u);
    EXPECT_TRUE(allOnMain);
    EXPECT_EQ(seen, (std::vector<std::string>{"One", "Two", "Before"}));
    EXPECT_EQ(model->selectedTextItem, (TextListItem{"ID-0", "Before"}));
}

TEST_F(FenExportRendererTest, InputThatIsNotAPdfOrLockedAddsNothingAndAFailedWriteIsLeftOut) {
    auto model = textModel();
    int sends = 0;
    Connection counting = model->watermarkModelPublisher.connect([&] { ++sends; });
    auto outputs =
        FenExportRenderer::render(request(model, "not a pdf at all", {"A", "B", "C"}, "Doc"));
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].failure, Failure::notPDF);
    EXPECT_FALSE(outputs[0].location);
    EXPECT_FALSE(model->selectedTextItem); // restored to none
    EXPECT_EQ(sends, 2);                   // the first text, then the restored selection
    EXPECT_TRUE(renderFiles(model, "", {}, "Doc").empty());
    // A locked source opens with its password only, and is written without its encryption.
    auto locked = request(textModel(), test::encryptPdf(bodyPdf(1), "user", "owner"),
                          {"Xylo", "Quartz"}, "Doc");
    outputs = FenExportRenderer::render(locked);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].failure, Failure::locked);
    EXPECT_TRUE(tmp_.filesLeft().empty());
    locked.sourcePassword = "user";
    outputs = FenExportRenderer::render(locked);
    ASSERT_EQ(outputs.size(), 2u);
    ASSERT_TRUE(outputs[1].location);
    EXPECT_TRUE(test::qpdfCheck(outputs[1].location->path()));
    EXPECT_NE(test::pdftotext(outputs[1].location->path()).find("Quartz"), std::string::npos);
    EXPECT_EQ(tmp_.filesLeft().size(), 2u);
    // An older scheme's password stored in PDFDocEncoding, given as typed or in the form the
    // window keeps; the pages merged, or drawn from it (secure saving) as from the plain file.
    const std::string older =
        test::encryptPdf(bodyPdf(1), "\xe9t\xe9", "owner", test::Encryption::r3);
    for (const bool secure : {false, true}) {
        auto plain = request(textModel(), bodyPdf(1), {"Quartz"}, "Plain");
        plain.isSecureSaving = secure;
        outputs = FenExportRenderer::render(plain);
        ASSERT_TRUE(outputs.size() == 1 && outputs[0].location);
        const test::Raster expected = test::renderCropBox(outputs[0].location->path(), 1, 36);
        for (const char* given : {"été", "\xe9t\xe9"}) {
            SCOPED_TRACE(std::string(given) + (secure ? ", secure saving" : ""));
            auto encrypted = request(textModel(), older, {"Quartz"}, "Old");
            encrypted.sourcePassword = given;
            encrypted.isSecureSaving = secure;
            outputs = FenExportRenderer::render(encrypted);
            ASSERT_EQ(outputs.size(), 1u);
            ASSERT_TRUE(outputs[0].location);
            EXPECT_EQ(test::renderCropBox(outputs[0].location->path(), 1, 36).rgb, expected.rgb);
        }
    }
    // A temporary directory that takes no folder: every text is tried, each failure with its
    // reason.
    const fs::path blocker = tmp_.path() / "not-a-folder";
    test::writeFile(blocker, "x");
    ::setenv("TMPDIR", blocker.c_str(), 1);
    outputs = FenExportRenderer::render(request(textModel(), bodyPdf(1), {"A", "B"}, "Doc"));
    ::setenv("TMPDIR", tmp_.path().c_str(), 1);
    ASSERT_EQ(outputs.size(), 2u);
    for (const auto& output : outputs) {
        EXPECT_FALSE(output.location);
        EXPECT_EQ(output.failure, Failure::notWritten);
        EXPECT_TRUE(output.writeFailure.noFolder);
        EXPECT_TRUE(output.writeFailure.error);
    }
    EXPECT_EQ(outputs[1].fileName, "Doc_B.pdf");

    // A file system that takes no more bytes (here a file size limit; a full disk alike): the
    // system's reason comes with the output.
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 2048;
    setrlimit(RLIMIT_FSIZE, &small);
    outputs = FenExportRenderer::render(request(textModel(), bodyPdf(3), {"A"}, "Doc"));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_FALSE(outputs[0].location);
    EXPECT_EQ(outputs[0].failure, Failure::notWritten);
    EXPECT_FALSE(outputs[0].writeFailure.noFolder);
    EXPECT_EQ(outputs[0].writeFailure.error, std::make_error_code(std::errc::file_too_large));
}

TEST_F(FenExportRendererTest, AWriteIntoAFullTemporaryFolderNamesTheFolder) {
    struct Case {
        const char* name;
        bool secureSaving;
        // A window's run, whose files go into a folder of its own; the command line has none.
        bool window;
        // What is left free: secure saving's spill takes it before the output is written.
        std::size_t room;
    };
    for (const Case& c :
         std::vector<Case>{{"the command line's export", false, false, 0},
                           {"the window's export", false, true, 0},
                           {"secure saving", true, true, 0},
                           {"secure saving, its spill taking the room left", true, true, 8192}}) {
        SCOPED_TRACE(c.name);
        test::SmallFileSystem disk(1 << 20);
        if (!disk.mounted()) {
            GTEST_SKIP() << disk.refusal();
        }
        ::setenv("TMPDIR", disk.path().c_str(), 1);
        std::optional<FenFilesStorage::ProcessFolderScope> run;
        if (c.window) {
            run.emplace();
        }
        FenExportRenderer::Request full = request(textModel(), bodyPdf(6), {"Draft"}, "Report");
        full.isSecureSaving = c.secureSaving;
        ASSERT_TRUE(disk.fill(c.room));
        const std::vector<FenExportRenderer::Output> outputs = FenExportRenderer::render(full);
        run.reset();
        ::setenv("TMPDIR", tmp_.path().c_str(), 1);
        ASSERT_EQ(outputs.size(), 1u);
        EXPECT_FALSE(outputs[0].location);
        EXPECT_EQ(outputs[0].failure, Failure::notWritten);
        EXPECT_EQ(outputs[0].writeFailure.error,
                  std::make_error_code(std::errc::no_space_on_device));
        EXPECT_EQ(outputs[0].writeFailure.folder, disk.path());
        // Neither the partial file nor the spill stays; a window's run leaves its per-user folder.
        std::set<fs::path> left;
        for (const auto& entry : fs::recursive_directory_iterator(disk.path())) {
            left.insert(entry.path());
        }
        std::set<fs::path> kept = {disk.path() / "filler"};
        if (c.window) {
            kept.insert(disk.path() / ("fenmoor-" + std::to_string(::geteuid())));
        }
        EXPECT_EQ(left, kept);
    }
}

} // namespace
} // namespace fen

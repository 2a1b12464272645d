#include "export/FenExportRenderer.h"

#include "export/FenFilesStorage.h"
#include "export/NotificationDocumentCenter.h"
#include "export/SaverStopper.h"
#include "model/FenWatermarkModel.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <thread>

namespace fen {
namespace {

namespace fs = std::filesystem;
using Failure = FenExportRenderer::Failure;
using test::TempDir;

// Points the process's temporary directory at a fresh folder, so a test sees exactly what an
// export leaves behind.
class FenExportRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("TMPDIR")) {
            savedTmp_ = old;
        }
        setenv("TMPDIR", tmp_.path().c_str(), 1);
    }
    void TearDown() override {
        if (savedTmp_) {
            setenv("TMPDIR", savedTmp_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    // Every file under the temporary directory, and every folder holding nothing.
    std::vector<fs::path> filesLeft() const {
        std::vector<fs::path> files;
        for (const auto& e : fs::recursive_directory_iterator(tmp_.path())) {
            if (e.is_regular_file() || (e.is_directory() && fs::is_empty(e.path()))) {
                files.push_back(e.path());
            }
        }
        return files;
    }

    TempDir tmp_;
    std::optional<std::string> savedTmp_;
};

// Pages whose own content says nothing the watermark texts say.
std::string bodyPdf(int pages) {
    std::vector<test::FixturePage> fixture;
    for (int i = 0; i < pages; ++i) {
        test::FixturePage page;
        page.media = gfx::Rect{0, 0, 400, 400};
        page.content = test::textOp(40, 360, 10, "Body");
        fixture.push_back(page);
    }
    return test::makePdf(fixture);
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
    r.data = std::move(data);
    r.textItems = std::move(texts);
    r.fileName = std::move(fileName);
    return r;
}

int qpdfCheck(const fs::path& file, const std::optional<std::string>& password = {}) {
    std::vector<std::string> argv{"qpdf", "--check"};
    if (password) {
        argv.push_back("--password=" + *password);
    }
    argv.push_back(file.string());
    return test::runCommand(argv).exitCode;
}

TEST_F(FenExportRendererTest, OneFilePerTextInItsOwnFolderInListOrderShowingItsText) {
    auto model = textModel();
    auto urls = FenExportRenderer::renderWatermarkedPDF(
        model, bodyPdf(2), {"Alpha", "Beta/Gamma", "Delta"}, "Report.pdf", nullptr, false,
        std::nullopt, nullptr);
    ASSERT_EQ(urls.size(), 3u);
    // The opened file's ".pdf" goes before the suffix; the joined name is cleaned.
    EXPECT_EQ(urls[0].lastPathComponent(), "Report_Alpha.pdf");
    EXPECT_EQ(urls[1].lastPathComponent(), "Report_BetaGamma.pdf");
    EXPECT_EQ(urls[2].lastPathComponent(), "Report_Delta.pdf");
    std::set<fs::path> folders;
    const std::vector<std::string> shown{"Alpha", "Beta/Gamma", "Delta"};
    for (std::size_t i = 0; i < urls.size(); ++i) {
        fs::path file = urls[i].path();
        folders.insert(file.parent_path());
        EXPECT_EQ(file.parent_path().parent_path(), tmp_.path());
        EXPECT_EQ(qpdfCheck(file), 0);
        const auto words = test::pdftotextBBox(file);
        for (int page : {1, 2}) {
            const std::string text = test::pageText(words, page);
            EXPECT_NE(text.find(shown[i]), std::string::npos) << file << " page " << page;
            for (std::size_t j = 0; j < shown.size(); ++j) {
                if (j != i) {
                    EXPECT_EQ(text.find(shown[j]), std::string::npos) << file;
                }
            }
        }
    }
    EXPECT_EQ(folders.size(), 3u);
}

TEST_F(FenExportRendererTest, TwoEqualTextsGiveTwoFilesOfOneNameInTwoFolders) {
    auto urls = FenExportRenderer::renderWatermarkedPDF(textModel(), bodyPdf(1), {"Same", "Same"},
                                                        "Report", nullptr, false, {}, nullptr);
    ASSERT_EQ(urls.size(), 2u);
    EXPECT_EQ(urls[0].lastPathComponent(), "Report_Same.pdf");
    EXPECT_EQ(urls[1].lastPathComponent(), "Report_Same.pdf");
    EXPECT_NE(urls[0].path().parent_path(), urls[1].path().parent_path());
}

TEST_F(FenExportRendererTest, WithoutAListOneFileNamedAfterTheNameUncleanedSelectionUntouched) {
    auto model = textModel();
    model->selectedTextItem = TextListItem{"ID-1", "Kept"};
    int sends = 0;
    Connection counting = model->watermarkModelPublisher.connect([&] { ++sends; });
    auto urls = FenExportRenderer::renderWatermarkedPDF(model, bodyPdf(1), {}, "Q1: plan\\x",
                                                        nullptr, false, {}, nullptr);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0].lastPathComponent(), "Q1: plan\\x.pdf");
    EXPECT_TRUE(fs::is_regular_file(urls[0].path()));
    EXPECT_NE(test::pdftotext(urls[0].path()).find("Kept"), std::string::npos);
    EXPECT_EQ(model->selectedTextItem, (TextListItem{"ID-1", "Kept"}));
    EXPECT_EQ(sends, 0);

    // The opened file's extension is not doubled.
    urls = FenExportRenderer::renderWatermarkedPDF(model, bodyPdf(1), {}, "Report.PDF", nullptr,
                                                   false, {}, nullptr);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0].lastPathComponent(), "Report.pdf");
}

TEST(FenExportRendererNames, BaseAndOutputNames) {
    EXPECT_EQ(FenExportRenderer::baseName("Report.pdf"), "Report");
    EXPECT_EQ(FenExportRenderer::baseName("Report.Pdf"), "Report");
    EXPECT_EQ(FenExportRenderer::baseName("Report.final"), "Report.final");
    EXPECT_EQ(FenExportRenderer::baseName(".pdf"), ".pdf");
    EXPECT_EQ(FenExportRenderer::baseName("a.pdf.pdf"), "a.pdf");
    EXPECT_EQ(FenExportRenderer::outputName("Report.pdf", "Final"), "Report_Final");
    EXPECT_EQ(FenExportRenderer::outputName("Report", "Final", true), "Final_Report");
    EXPECT_EQ(FenExportRenderer::outputName("Re:port", "a/b", true), "ab_Report");
}

TEST_F(FenExportRendererTest, WithAPasswordEveryFileNeedsIt) {
    auto lists = std::vector<std::vector<std::string>>{{"A", "B"}, {}};
    for (const auto& texts : lists) {
        auto urls = FenExportRenderer::renderWatermarkedPDF(textModel(), bodyPdf(1), texts, "Doc",
                                                            nullptr, false, "s3cret", nullptr);
        ASSERT_EQ(urls.size(), std::max<std::size_t>(texts.size(), 1));
        for (const auto& url : urls) {
            EXPECT_NE(qpdfCheck(url.path()), 0) << url.path();
            EXPECT_EQ(qpdfCheck(url.path(), "s3cret"), 0) << url.path();
        }
    }
    // An empty password still encrypts.
    auto urls = FenExportRenderer::renderWatermarkedPDF(textModel(), bodyPdf(1), {"A"}, "Doc",
                                                        nullptr, false, "", nullptr);
    ASSERT_EQ(urls.size(), 1u);
    auto shown = test::runCommand({"qpdf", "--show-encryption", urls[0].path().string()});
    EXPECT_NE(shown.out.find("R = 6"), std::string::npos) << shown.out;
}

// Collects, in order, the progress a window would see for its channel: the processing names and
// the write notifications of documents carrying its identifier.
class ProgressLog {
public:
    explicit ProgressLog(const NotificationDocumentCenter& center) : id_(center.id()) {
        tokens_.push_back(
            center.addObserver(processingForSaveNotification, [this](const Notification& n) {
                add("name:" + std::any_cast<std::string>(n.object));
            }));
        auto& nc = NotificationCenter::defaultCenter();
        tokens_.push_back(
            nc.addObserver(pdfDocumentDidBeginWriteNotification, [this](const Notification& n) {
                if (mine(n)) {
                    add("begin");
                }
            }));
        tokens_.push_back(
            nc.addObserver(pdfDocumentDidEndPageWriteNotification, [this](const Notification& n) {
                if (mine(n)) {
                    add("page:" +
                        std::to_string(std::any_cast<int>(n.userInfo.at(pdfDocumentPageIndexKey))));
                }
            }));
        tokens_.push_back(
            nc.addObserver(pdfDocumentDidEndWriteNotification, [this](const Notification& n) {
                if (mine(n)) {
                    add("end");
                }
            }));
    }
    std::vector<std::string> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    // Called on the writing thread for each event, after it is logged.
    std::function<void(const std::string&)> onEvent;

private:
    bool mine(const Notification& n) const {
        return FenExportRenderer::writingDocumentIdentifier(n) == id_;
    }
    void add(const std::string& event) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(event);
        }
        if (onEvent) {
            onEvent(event);
        }
    }
    std::string id_;
    std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<ObserverToken> tokens_;
};

TEST_F(FenExportRendererTest, ProgressArrivesInOrderForEachFileAndOnlyForItsWindow) {
    auto center = NotificationDocumentCenter::makeDocumentNotificationCenter();
    auto other = NotificationDocumentCenter::makeDocumentNotificationCenter();
    ProgressLog log(*center);
    ProgressLog otherLog(*other);

    auto r = request(textModel(), bodyPdf(3), {"A", "B:C"}, "Report.pdf");
    r.stopper = std::make_shared<SaverStopper>();
    r.center = center;
    std::vector<FenExportRenderer::Output> outputs;
    // As the saver runs it: on a worker thread.
    std::thread worker([&] { outputs = FenExportRenderer::render(r); });
    worker.join();

    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_TRUE(outputs[0].location && outputs[1].location);
    const std::vector<std::string> expected{"name:Report_A", "begin",  "page:0",         "page:1",
                                            "page:2",        "end",    "name:Report_BC", "begin",
                                            "page:0",        "page:1", "page:2",         "end"};
    EXPECT_EQ(log.events(), expected);
    EXPECT_TRUE(otherLog.events().empty());

    // The one file of an export without a list: its name as given (without ".pdf").
    r.textItems.clear();
    FenExportRenderer::render(r);
    auto events = log.events();
    const std::vector<std::string> single{"name:Report", "begin",  "page:0",
                                          "page:1",      "page:2", "end"};
    EXPECT_EQ(std::vector<std::string>(events.begin() + 12, events.end()), single);
}

TEST_F(FenExportRendererTest, NoProcessingNamesWithoutStopperOrChannelAndNoIdentifierWithout) {
    auto center = NotificationDocumentCenter::makeDocumentNotificationCenter();
    ProgressLog log(*center);
    std::vector<std::optional<std::string>> identifiers;
    auto token = NotificationCenter::defaultCenter().addObserver(
        pdfDocumentDidBeginWriteNotification, [&](const Notification& n) {
            identifiers.push_back(FenExportRenderer::writingDocumentIdentifier(n));
        });

    auto r = request(textModel(), bodyPdf(1), {"A"}, "Doc");
    r.center = center; // no stopper
    ASSERT_EQ(FenExportRenderer::render(r).size(), 1u);
    r.center = nullptr;
    r.stopper = std::make_shared<SaverStopper>(); // no channel
    ASSERT_EQ(FenExportRenderer::render(r).size(), 1u);

    const std::vector<std::string> expected{"begin", "page:0", "end"};
    EXPECT_EQ(log.events(), expected);
    ASSERT_EQ(identifiers.size(), 2u);
    EXPECT_EQ(identifiers[0], center->id());
    EXPECT_EQ(identifiers[1], std::nullopt);
}

TEST_F(FenExportRendererTest, AStoppedExportRemovesThePartialFileAndWritesNoFurtherFile) {
    auto center = NotificationDocumentCenter::makeDocumentNotificationCenter();
    ProgressLog log(*center);
    auto r = request(textModel(), bodyPdf(4), {"A", "B", "C"}, "Report");
    r.stopper = std::make_shared<SaverStopper>();
    r.center = center;
    // Cancel while the second file is half written.
    int ends = 0;
    log.onEvent = [&](const std::string& event) {
        if (event == "end") {
            ++ends;
        }
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
    EXPECT_EQ(filesLeft(), std::vector<fs::path>{outputs[0].location->path()});
    for (const auto& event : log.events()) {
        EXPECT_NE(event, "name:Report_C");
    }

    // A stopper set before the start writes nothing at all.
    auto urls = FenExportRenderer::renderWatermarkedPDF(textModel(), bodyPdf(1), {}, "Doc",
                                                        r.stopper, false, {}, center);
    EXPECT_TRUE(urls.empty());
    EXPECT_EQ(filesLeft().size(), 1u);
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
    auto urls = FenExportRenderer::renderWatermarkedPDF(model, bodyPdf(1), {"One", "Two"}, "Doc",
                                                        nullptr, false, {}, nullptr);
    MainQueue::install(previous);

    EXPECT_EQ(urls.size(), 2u);
    EXPECT_TRUE(allOnMain);
    EXPECT_EQ(seen, (std::vector<std::string>{"One", "Two", "Before"}));
    EXPECT_EQ(model->selectedTextItem, (TextListItem{"ID-0", "Before"}));
}

TEST_F(FenExportRendererTest, NotAPdfAddsNothingAndLeavesNothing) {
    auto model = textModel();
    int sends = 0;
    Connection counting = model->watermarkModelPublisher.connect([&] { ++sends; });
    auto outputs =
        FenExportRenderer::render(request(model, "not a pdf at all", {"A", "B", "C"}, "Doc"));
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].failure, Failure::notPDF);
    EXPECT_FALSE(outputs[0].location);
    EXPECT_TRUE(filesLeft().empty());
    EXPECT_FALSE(model->selectedTextItem); // restored to none
    EXPECT_EQ(sends, 2);                   // the first text, then the restored selection

    EXPECT_TRUE(
        FenExportRenderer::renderWatermarkedPDF(model, "", {}, "Doc", nullptr, false, {}, nullptr)
            .empty());
    EXPECT_TRUE(filesLeft().empty());
}

TEST_F(FenExportRendererTest, AFailedWriteIsLeftOutAndTheExportGoesOn) {
    // A name longer than the file system allows cannot be written.
    const std::string tooLong(300, 'x');
    auto outputs =
        FenExportRenderer::render(request(textModel(), bodyPdf(1), {"A", tooLong, "C"}, "Doc"));
    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_TRUE(outputs[0].location);
    EXPECT_FALSE(outputs[1].location);
    EXPECT_EQ(outputs[1].failure, Failure::notWritten);
    ASSERT_TRUE(outputs[2].location);
    EXPECT_EQ(outputs[2].location->lastPathComponent(), "Doc_C.pdf");
    EXPECT_EQ(filesLeft().size(), 2u); // no empty folder of the failed one
}

TEST_F(FenExportRendererTest, ALockedSourceOpensWithItsPasswordOnly) {
    const std::string locked = test::encryptPdf(bodyPdf(1), "user", "owner");
    auto r = request(textModel(), locked, {"Xylo", "Quartz"}, "Doc");
    auto outputs = FenExportRenderer::render(r);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].failure, Failure::locked);
    EXPECT_TRUE(filesLeft().empty());

    r.sourcePassword = "user";
    outputs = FenExportRenderer::render(r);
    ASSERT_EQ(outputs.size(), 2u);
    ASSERT_TRUE(outputs[1].location);
    // Written without the source's encryption, with the text of its own.
    EXPECT_EQ(qpdfCheck(outputs[1].location->path()), 0);
    EXPECT_NE(test::pdftotext(outputs[1].location->path()).find("Quartz"), std::string::npos);
}

TEST_F(FenExportRendererTest, SecureSavingFlattensEveryPage) {
    auto r = request(textModel(), bodyPdf(2), {"Flat"}, "Doc");
    r.isSecureSaving = true;
    auto outputs = FenExportRenderer::render(r);
    ASSERT_EQ(outputs.size(), 1u);
    ASSERT_TRUE(outputs[0].location);
    const fs::path file = outputs[0].location->path();
    EXPECT_EQ(qpdfCheck(file), 0);
    // The page is a picture now: no text left to extract, but the watermark's ink is there.
    std::string text = test::pdftotext(file);
    EXPECT_EQ(text.find("Flat"), std::string::npos);
    EXPECT_EQ(text.find("Body"), std::string::npos);
    test::Raster page = test::renderCropBox(file, 2);
    ASSERT_GT(page.width, 0);
    auto dark = test::inkOf(page, [](const test::Rgb& c) { return c.r < 100 && c.g < 100; });
    EXPECT_GT(dark.count, 50);
}

} // namespace
} // namespace fen

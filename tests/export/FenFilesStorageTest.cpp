#include "export/FenFilesStorage.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Uuid.h"
#include "platform/image/ImageCodec.h"
#include "rendering/DrawingHelpers.h"
#include "rendering/FenObjectHolder.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace fen {
namespace {

namespace fs = std::filesystem;

// Points the process's temporary directory at a fresh folder for one test, so that every folder
// the writers make (or fail to remove) can be counted.
class TemporaryDirectoryScope {
public:
    TemporaryDirectoryScope() {
        if (const char* old = std::getenv("TMPDIR")) {
            previous_ = old;
        }
        setenv("TMPDIR", dir_.path().c_str(), 1);
    }
    ~TemporaryDirectoryScope() {
        if (previous_) {
            setenv("TMPDIR", previous_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    const fs::path& path() const { return dir_.path(); }
    std::vector<fs::path> entries() const {
        std::vector<fs::path> out;
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            out.push_back(entry.path());
        }
        return out;
    }

private:
    test::TempDir dir_;
    std::optional<std::string> previous_;
};

void expectFreshFolder(const Url& url, const fs::path& temporary, const std::string& name) {
    ASSERT_TRUE(url.isFileURL());
    fs::path file = url.path();
    EXPECT_EQ(file.filename(), name);
    std::string folder = file.parent_path().filename().string();
    EXPECT_TRUE(isUuidString(folder)) << folder;
    EXPECT_EQ(folder.size(), 36u);
    EXPECT_EQ(folder.find_first_of("abcdef"), std::string::npos) << folder;
    EXPECT_EQ(file.parent_path().parent_path(), temporary);
}

TEST(FenFilesStorage, EveryFileGetsAFreshUpperCaseUuidFolder) {
    TemporaryDirectoryScope tmp;
    auto first = FenFilesStorage::writeData(std::string("one\0two", 7), "tmp.pdf");
    auto second = FenFilesStorage::writeData(std::string("second"), "tmp.pdf");
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    expectFreshFolder(*first, tmp.path(), "tmp.pdf");
    expectFreshFolder(*second, tmp.path(), "tmp.pdf");
    EXPECT_NE(first->path().parent_path(), second->path().parent_path());
    EXPECT_EQ(test::readFile(first->path()), std::string("one\0two", 7));
    EXPECT_EQ(test::readFile(second->path()), "second");
    EXPECT_EQ(tmp.entries().size(), 2u);
}

TEST(FenFilesStorage, ImageWriterNamesItsFileByThePdfMarker) {
    TemporaryDirectoryScope tmp;
    const std::string pdf = test::blankPages(1);
    auto marked = [&](std::size_t offset) { return std::string(offset, 'x') + pdf; };
    for (auto [offset, name] : {std::pair<std::size_t, const char*>{0, "image.pdf"},
                                {1020, "image.pdf"},
                                {1021, "image"}}) {
        std::string bytes = marked(offset);
        auto url = FenFilesStorage::writeImageData(bytes, FenObjectHolder::looksLikePDF(bytes));
        ASSERT_TRUE(url);
        expectFreshFolder(*url, tmp.path(), name);
        EXPECT_EQ(test::readFile(url->path()), bytes);
    }
}

TEST(FenFilesStorage, AbsentDataMakesTheFolderAndStillGivesTheFilesAddress) {
    TemporaryDirectoryScope tmp;
    auto url = FenFilesStorage::writeData(std::nullopt, "tmp.pdf");
    ASSERT_TRUE(url);
    EXPECT_TRUE(fs::is_directory(url->path().parent_path()));
    EXPECT_FALSE(fs::exists(url->path()));
    auto image = FenFilesStorage::writeImageData(std::nullopt, false);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->path().filename(), "image");
}

TEST(FenFilesStorage, RefusedNamesAndFailedWritesLeaveNothingBehind) {
    TemporaryDirectoryScope tmp;
    for (const std::string& name :
         {std::string(), std::string("."), std::string(".."), std::string("a/b.pdf"),
          std::string("../escape.pdf"), std::string("nul\0.pdf", 8)}) {
        EXPECT_FALSE(FenFilesStorage::writeData(std::string("x"), name)) << name;
        EXPECT_FALSE(FenFilesStorage::isValidFileName(name)) << name;
    }
    EXPECT_FALSE(fs::exists(tmp.path().parent_path() / "escape.pdf"));
    // Too long for the file system: the folder is made, the write fails, the folder goes.
    EXPECT_FALSE(FenFilesStorage::writeData(std::string("x"), std::string(300, 'n')));
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(FenFilesStorage, QRCodePictureIsWrittenAsPng) {
    TemporaryDirectoryScope tmp;
    auto bitmap = makeBitmapContext(21, 21);
    bitmap->setFillColor({0, 0, 0, 1});
    bitmap->fillRect({0, 0, 7, 7});
    auto url = FenFilesStorage::writeQRCodePNG(bitmap->makeImage());
    ASSERT_TRUE(url);
    expectFreshFolder(*url, tmp.path(), "qrcode.png");
    auto decoded = gfx::ImageCodec::decodeFile(url->path());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 21);

    EXPECT_FALSE(FenFilesStorage::writeQRCodePNG(gfx::Image{}));
    EXPECT_EQ(tmp.entries().size(), 1u);
}

// Records the write notifications of one document.
struct WriteLog {
    explicit WriteLog(const pdf::Document* document) {
        auto& center = NotificationCenter::defaultCenter();
        auto mine = [document](const Notification& n) {
            auto* object = std::any_cast<pdf::Document*>(&n.object);
            return object && *object == document;
        };
        tokens.push_back(center.addObserver(pdfDocumentDidBeginWriteNotification,
                                            [this, mine](const Notification& n) {
                                                if (mine(n)) {
                                                    events.push_back("begin");
                                                }
                                            }));
        tokens.push_back(center.addObserver(
            pdfDocumentDidEndPageWriteNotification, [this, mine](const Notification& n) {
                if (mine(n)) {
                    auto it = n.userInfo.find(pdfDocumentPageIndexKey);
                    events.push_back(it == n.userInfo.end()
                                         ? "page ?"
                                         : "page " +
                                               std::to_string(std::any_cast<int>(it->second)));
                }
            }));
        tokens.push_back(center.addObserver(pdfDocumentDidEndWriteNotification,
                                            [this, mine](const Notification& n) {
                                                if (mine(n)) {
                                                    events.push_back("end");
                                                }
                                            }));
    }
    std::vector<std::string> events;
    std::vector<ObserverToken> tokens;
};

TEST(FenFilesStorage, WritesTheWatermarkedDocumentAndReportsItsProgress) {
    TemporaryDirectoryScope tmp;
    auto job = test::makeWatermarkJob(test::blankPages(3));
    ASSERT_TRUE(job.document);
    job.model->otherConf = test::pageNumberSettings("Page #currentPage of #totalPages",
                                                    Positions::bottomcenter, 1, 3, 1);
    job.holder->updateOtherObject(job.model->otherConf);
    WriteLog log(job.document.get());

    auto url = FenFilesStorage::writeDocumentToTemporaryFile(job.document.get(), std::nullopt,
                                                             "Report_Draft.pdf");
    ASSERT_TRUE(url);
    expectFreshFolder(*url, tmp.path(), "Report_Draft.pdf");
    EXPECT_EQ(test::runCommand({"qpdf", "--check", url->path().string()}).exitCode, 0);
    auto words = test::pdftotextBBox(url->path());
    EXPECT_EQ(test::pageText(words, 2), "Page 2 of 3");
    EXPECT_EQ(log.events, (std::vector<std::string>{"begin", "page 0", "page 1", "page 2", "end"}));
}

TEST(FenFilesStorage, APasswordEvenAnEmptyOneEncryptsTheFile) {
    TemporaryDirectoryScope tmp;
    auto document = FenDocument::fromData(test::blankPages(1));
    ASSERT_TRUE(document);

    auto secret = FenFilesStorage::writeDocumentToTemporaryFile(document.get(),
                                                                std::string("secret"), "a.pdf");
    ASSERT_TRUE(secret);
    pdf::Document locked;
    EXPECT_EQ(locked.openFile(secret->path().string()), pdf::OpenResult::locked);
    EXPECT_TRUE(locked.unlock("secret"));

    auto empty =
        FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::string(), "b.pdf");
    ASSERT_TRUE(empty);
    pdf::Document opened;
    EXPECT_EQ(opened.openFile(empty->path().string()), pdf::OpenResult::opened);
    EXPECT_TRUE(opened.isEncrypted());

    auto plain =
        FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt, "c.pdf");
    ASSERT_TRUE(plain);
    pdf::Document unencrypted;
    EXPECT_EQ(unencrypted.openFile(plain->path().string()), pdf::OpenResult::opened);
    EXPECT_FALSE(unencrypted.isEncrypted());
}

TEST(FenFilesStorage, ADocumentThatIsMissingOrNotWrittenGivesNoAddressAndNoFolder) {
    TemporaryDirectoryScope tmp;
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(nullptr, std::nullopt, "a.pdf"));

    auto document = FenDocument::fromData(test::blankPages(2));
    ASSERT_TRUE(document);
    WriteLog log(document.get());
    std::atomic<bool> stop{true};
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt,
                                                               "stopped.pdf", &stop));
    // The end of a write is reported whether it succeeded or not.
    ASSERT_FALSE(log.events.empty());
    EXPECT_EQ(log.events.front(), "begin");
    EXPECT_EQ(log.events.back(), "end");

    // A locked document cannot be written.
    auto locked = FenDocument::fromData(test::encryptPdf(test::blankPages(1), "u", "o"));
    ASSERT_TRUE(locked);
    EXPECT_FALSE(
        FenFilesStorage::writeDocumentToTemporaryFile(locked.get(), std::nullopt, "locked.pdf"));
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt,
                                                               "../escape.pdf"));
    EXPECT_TRUE(tmp.entries().empty());
}

} // namespace
} // namespace fen

#include "export/FenFilesStorage.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Uuid.h"
#include "platform/image/ImageCodec.h"
#include "platform/pdf/PdfMarker.h"
#include "support/PdfFixtures.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"
#include "support/WriteLog.h"

#include <gtest/gtest.h>

#include <optional>

#include <sys/wait.h>
#include <unistd.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

using test::TemporaryDirectoryScope;

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

TEST(FenFilesStorage, EveryWriterGivesItsFileAFreshUpperCaseUuidFolder) {
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
    auto qr = FenFilesStorage::writeQRCodePNG(test::solidImage(21, 21, {0, 0, 0, 1}));
    ASSERT_TRUE(qr);
    expectFreshFolder(*qr, tmp.path(), "qrcode.png");
    auto decoded = gfx::ImageCodec::decodeFile(qr->path());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 21);
    EXPECT_FALSE(FenFilesStorage::writeQRCodePNG(gfx::Image{}));
    EXPECT_EQ(tmp.entries().size(), 3u);
    // Absent data makes the folder and still gives the file's address.
    auto absent = FenFilesStorage::writeData(std::nullopt, "tmp.pdf");
    ASSERT_TRUE(absent);
    EXPECT_TRUE(fs::is_directory(absent->path().parent_path()));
    EXPECT_FALSE(fs::exists(absent->path()));
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

// The write progress of one document.
test::WriteLog writesOf(const pdf::Document* document) {
    return test::WriteLog([document](const Notification& n) {
        auto* object = std::any_cast<pdf::Document*>(&n.object);
        return object && *object == document;
    });
}

TEST(FenFilesStorage, ADocumentThatIsMissingOrNotWrittenGivesNoAddressAndNoFolder) {
    TemporaryDirectoryScope tmp;
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(nullptr, std::nullopt, "a.pdf"));
    auto document = FenDocument::fromData(test::blankPages(2));
    ASSERT_TRUE(document);
    test::WriteLog log = writesOf(document.get());
    std::atomic<bool> stop{true};
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt,
                                                               "stopped.pdf", &stop));
    // The end of a write is reported whether it succeeded or not.
    ASSERT_FALSE(log.events().empty());
    EXPECT_EQ(log.events().front(), "begin");
    EXPECT_EQ(log.events().back(), "end");
    // A locked document cannot be written.
    auto locked = FenDocument::fromData(test::encryptPdf(test::blankPages(1), "u", "o"));
    ASSERT_TRUE(locked);
    EXPECT_FALSE(
        FenFilesStorage::writeDocumentToTemporaryFile(locked.get(), std::nullopt, "locked.pdf"));
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt,
                                                               "../escape.pdf"));
    // A caller that tells the user itself learns that the name was refused.
    FenFilesStorage::WriteFailure failure;
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt,
                                                               "a/b.pdf", nullptr, &failure));
    EXPECT_FALSE(failure.noFolder);
    EXPECT_EQ(failure.error, std::make_error_code(std::errc::invalid_argument));
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(FenFilesStorage, OwnFoldersGoWithTheirLastHolderOrAtTheEndAndExportsStay) {
    TemporaryDirectoryScope tmp;
    const std::optional<Url> copy = FenFilesStorage::writeData(std::string("bytes"), "tmp.pdf");
    const std::optional<Url> picture = FenFilesStorage::writeImageData(std::string("png"), false);
    auto document = FenDocument::fromData(test::blankPages(1));
    const std::optional<Url> exported =
        FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt, "out.pdf");
    ASSERT_TRUE(copy && picture && exported);

    // One holder per folder, shared by every caller; none for a file handed to the user or one
    // the program did not make.
    std::shared_ptr<TemporaryFolder> window = FenFilesStorage::keep(*copy);
    std::shared_ptr<TemporaryFolder> exporting = FenFilesStorage::keep(*copy);
    ASSERT_TRUE(window);
    EXPECT_EQ(window, exporting);
    EXPECT_EQ(window->path(), copy->path().parent_path());
    EXPECT_FALSE(FenFilesStorage::keep(*exported));
    EXPECT_FALSE(FenFilesStorage::keep(Url::fileURL(tmp.path() / "mine.pdf")));

    window.reset();
    EXPECT_TRUE(fs::exists(copy->path()));
    exporting.reset();
    EXPECT_FALSE(fs::exists(copy->path().parent_path()));
    EXPECT_FALSE(FenFilesStorage::keep(*copy));

    // What nobody held, or is still held, goes at the end of the program.
    std::shared_ptr<TemporaryFolder> held = FenFilesStorage::keep(*picture);
    FenFilesStorage::removeOwnFolders();
    EXPECT_FALSE(fs::exists(picture->path().parent_path()));
    held.reset();
    EXPECT_TRUE(fs::exists(exported->path()));
    EXPECT_EQ(tmp.entries().size(), 1u);

    // A program that ends on its own removes them too.
    const pid_t child = ::fork();
    if (child == 0) {
        const bool written = FenFilesStorage::writeData(std::string("bytes"), "tmp.pdf") &&
                             FenFilesStorage::writeImageData(std::string("png"), true);
        std::exit(written ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(tmp.entries().size(), 1u);
}

TEST(FenFilesStorage, AnAdoptedDocumentFolderGoesWithItsLastHolderOrAtTheEndOthersStay) {
    TemporaryDirectoryScope tmp;
    auto document = FenDocument::fromData(test::blankPages(1));
    const auto write = [&](const std::string& name) {
        return FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt, name);
    };
    const std::optional<Url> render = write("render.pdf");
    const std::optional<Url> left = write("left.pdf");
    const std::optional<Url> kept = write("kept.pdf");
    ASSERT_TRUE(render && left && kept);
    test::writeFile(tmp.path() / "mine.pdf", "mine");

    std::shared_ptr<TemporaryFolder> held = FenFilesStorage::adopt(*render);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->path(), render->path().parent_path());
    EXPECT_EQ(FenFilesStorage::adopt(*render), held);
    // Only documents written here: not the user's own file.
    EXPECT_FALSE(FenFilesStorage::adopt(Url::fileURL(tmp.path() / "mine.pdf")));
    held.reset();
    EXPECT_FALSE(fs::exists(render->path().parent_path()));
    EXPECT_FALSE(FenFilesStorage::adopt(*render));

    // Adopted but never held: gone at the end; a document nobody adopted stays.
    ASSERT_TRUE(FenFilesStorage::adopt(*left));
    FenFilesStorage::removeOwnFolders();
    EXPECT_FALSE(fs::exists(left->path().parent_path()));
    EXPECT_TRUE(fs::exists(kept->path()));
    EXPECT_TRUE(fs::exists(tmp.path() / "mine.pdf"));
}

} // namespace
} // namespace fen

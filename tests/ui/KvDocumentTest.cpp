#include "UiTestSupport.h"

#include "shell/KvDocument.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

size_t entries(const fs::path& dir) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(KvDocument, ReadsTheFileOnceAndKeepsTheWholeName) {
    test::TempDir dir;
    writeFile(dir / "Report.final.v2.pdf", "%PDF-1.7 bytes");
    KvDocument doc(Url::fileURL(dir / "Report.final.v2.pdf"));
    writeFile(dir / "Report.final.v2.pdf", "changed later");
    ASSERT_TRUE(doc.info);
    EXPECT_EQ(doc.info->data, "%PDF-1.7 bytes");
    EXPECT_EQ(doc.info->name, "Report.final.v2.pdf");
    EXPECT_FALSE(doc.sceneIdentifier);
    EXPECT_FALSE(doc.dataToSave);

    KvDocument missing(Url::fileURL(dir / "gone.pdf"));
    ASSERT_TRUE(missing.info);
    EXPECT_FALSE(missing.info->data);
    EXPECT_EQ(missing.info->name, "gone.pdf");
}

TEST(KvDocument, SavingWritesOnlyPlacedBytesAndKeepsModeAndLink) {
    test::TempDir dir;
    const fs::path file = dir / "a.pdf";
    const fs::path link = dir / "link.pdf";
    writeFile(file, "original");
    ::chmod(file.c_str(), 0640);
    fs::create_symlink(file, link);

    KvDocument doc(Url::fileURL(link));
    EXPECT_FALSE(doc.save()); // nothing placed: nothing written
    EXPECT_EQ(readFile(file), "original");

    doc.dataToSave = std::string("watermarked");
    EXPECT_FALSE(doc.save());
    EXPECT_FALSE(doc.dataToSave);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(file), "watermarked");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(dir.path()), 2u);
}

TEST(KvDocument, AFailedSaveLeavesTheOriginalAndKeepsTheBytes) {
    test::TempDir dir;
    writeFile(dir / "a.pdf", "original");
    KvDocument doc(Url::fileURL(dir / "a.pdf"));
    doc.dataToSave = std::string(64 * 1024, 'x');
    std::error_code ec;
    {
        test::FileSizeLimit limit(1024);
        ec = doc.save();
    }
    EXPECT_TRUE(ec);
    EXPECT_EQ(readFile(dir / "a.pdf"), "original");
    ASSERT_TRUE(doc.dataToSave);
    EXPECT_EQ(doc.dataToSave->size(), 64u * 1024);
    EXPECT_EQ(entries(dir.path()), 1u);
}

} // namespace
} // namespace fen

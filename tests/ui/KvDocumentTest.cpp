#include "shell/KvDocument.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class KvDocumentTest : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("kvdoc-" + std::to_string(::getpid()));
    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(KvDocumentTest, ReadsTheFileOnceAndKeepsTheWholeName) {
    fs::path file = dir / "Report.final.v2.pdf";
    put(file, "%PDF-1.7 bytes");
    KvDocument doc(Url::fileURL(file));
    put(file, "changed later");
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

TEST_F(KvDocumentTest, SavingWritesOnlyPlacedBytesAndKeepsModeAndLink) {
    fs::path file = dir / "a.pdf";
    put(file, "original");
    ::chmod(file.c_str(), 0640);
    fs::path link = dir / "link.pdf";
    fs::create_symlink(file, link);

    KvDocument doc(Url::fileURL(link));
    EXPECT_FALSE(doc.save()); // nothing placed: nothing written
    EXPECT_EQ(contents(file), "original");

    doc.dataToSave = std::string("watermarked");
    EXPECT_FALSE(doc.save());
    EXPECT_FALSE(doc.dataToSave);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contents(file), "watermarked");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

TEST_F(KvDocumentTest, AFailedSaveLeavesTheOriginalAndKeepsTheBytes) {
    fs::path file = dir / "a.pdf";
    put(file, "original");
    KvDocument doc(Url::fileURL(file));
    doc.dataToSave = std::string(64 * 1024, 'x');

    // A file-size limit makes the write fail for root too.
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::error_code ec = doc.save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(ec);
    EXPECT_EQ(contents(file), "original");
    ASSERT_TRUE(doc.dataToSave);
    EXPECT_EQ(doc.dataToSave->size(), 64u * 1024);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

} // namespace
} // namespace fen

#include "export/FenExportCopies.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(FenExportCopies, ACopyReplacesWholeKeepsTheModeAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const fs::path source = dir / "written.pdf";
    test::writeFile(source, "new bytes");
    const fs::path target = dir / "kept.pdf";

    ASSERT_FALSE(FenExportCopies::copyReplacing(source, target));
    EXPECT_EQ(test::readFile(target), "new bytes");

    test::writeFile(target, "old bytes, longer than the new ones");
    ::chmod(target.c_str(), 0604);
    ASSERT_FALSE(FenExportCopies::copyReplacing(source, target));
    EXPECT_EQ(test::readFile(target), "new bytes");
    EXPECT_EQ(modeOf(target), 0604u);

    // A missing source or folder changes nothing and leaves nothing.
    EXPECT_TRUE(FenExportCopies::copyReplacing(dir / "missing.pdf", target));
    EXPECT_TRUE(FenExportCopies::copyReplacing(source, dir / "no-folder" / "x.pdf"));
    EXPECT_EQ(test::readFile(target), "new bytes");
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2u);
}

TEST(FenExportCopies, ADestinationNameAtTheFileNameLimitIsWritten) {
    test::TempDir dir;
    const fs::path source = dir / "written.pdf";
    test::writeFile(source, "new bytes");
    for (const size_t length : {size_t(200), size_t(250), size_t(NAME_MAX)}) {
        SCOPED_TRACE(length);
        const fs::path target = dir / (std::string(length - 4, 'n') + ".pdf");
        ASSERT_FALSE(FenExportCopies::copyReplacing(source, target));
        EXPECT_EQ(test::readFile(target), "new bytes");
        // Replacing it works alike.
        test::writeFile(target, "old");
        ASSERT_FALSE(FenExportCopies::copyReplacing(source, target));
        EXPECT_EQ(test::readFile(target), "new bytes");
    }
}

// The forms a source can take: only a regular file (a link to one too) is copied, and anything
// else is refused without waiting, leaving the destination as it was.
TEST(FenExportCopies, OnlyARegularFileIsCopiedAndNothingElseIsWaitedFor) {
    test::TempDir dir;
    test::writeFile(dir / "written.pdf", "new bytes");
    test::writeFile(dir / "empty.pdf", "");
    fs::create_symlink(dir / "written.pdf", dir / "link.pdf");
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const struct {
        const char* source;
        std::errc error; // errc{} for a copy
        const char* kept;
    } rows[] = {
        {"written.pdf", std::errc{}, "new bytes"},
        {"empty.pdf", std::errc{}, ""},
        {"link.pdf", std::errc{}, "new bytes"},
        {"folder", std::errc::is_a_directory, "old"},
        {"pipe", std::errc::invalid_argument, "old"},
        {"missing.pdf", std::errc::no_such_file_or_directory, "old"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.source);
        const fs::path target = dir / "kept.pdf";
        test::writeFile(target, "old");
        const std::error_code error = FenExportCopies::copyReplacing(dir / row.source, target);
        EXPECT_TRUE(error == row.error) << error.message();
        EXPECT_EQ(test::readFile(target), row.kept);
    }
}

// An export of thousands of flattened pages is hundreds of megabytes: the copy is made a piece at
// a time, so a process that may hold far less than the file in memory still copies it whole, into
// the same file system as the source and into another (where the kernel cannot copy it by itself).
TEST(FenExportCopies, AFileLargerThanTheMemoryLeftIsCopiedWhole) {
    test::TempDir dir;
    const fs::path target = dir / "kept.pdf";
    std::string pattern = (fs::path("/dev/shm") / "fenmoor-copies-XXXXXX").string();
    const bool otherFileSystem = ::mkdtemp(pattern.data()) != nullptr;
    const fs::path other = pattern;
    for (const fs::path& folder : {dir.path(), other}) {
        struct stat a {
        }, b{};
        if (folder == other && (!otherFileSystem || ::stat(other.c_str(), &a) != 0 ||
                                ::stat(dir.path().c_str(), &b) != 0 || a.st_dev == b.st_dev)) {
            continue;
        }
        SCOPED_TRACE(folder);
        const fs::path source = folder / "written.pdf";
        test::writeLargeFile(source, 48);
        EXPECT_TRUE(test::succeedsWithLittleMemory(
            16 << 20, [&] { return !FenExportCopies::copyReplacing(source, target); }));
        EXPECT_EQ(fs::file_size(target), fs::file_size(source));
        EXPECT_TRUE(test::readFile(target) == test::readFile(source));
        fs::remove(target);
    }
    std::error_code ignored;
    fs::remove_all(other, ignored);
}

} // namespace
} // namespace fen

#include "export/FenExportCopies.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>

#include <sys/stat.h>

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

} // namespace
} // namespace fen

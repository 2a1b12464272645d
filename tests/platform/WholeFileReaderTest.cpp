#include "platform/foundation/WholeFileReader.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

TEST(WholeFileReader, ReadsEveryByteOrSaysWhyNot) {
    test::TempDir dir;
    const std::string bytes("%PDF\0\xff binary", 13);
    test::writeFile(dir / "file.bin", bytes);
    WholeFile file = WholeFileReader::read(Url::fileURL(dir / "file.bin"));
    EXPECT_EQ(file.bytes, bytes);
    EXPECT_FALSE(file.error);
    EXPECT_EQ(file.reason(), "");

    WholeFile missing = WholeFileReader::read(dir / "missing");
    EXPECT_FALSE(missing.bytes);
    EXPECT_EQ(missing.error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(missing.reason(), "No such file or directory");

    // A folder is refused, not read as an empty file, whichever way it is asked for.
    for (const WholeFile& folder :
         {WholeFileReader::read(dir.path()), WholeFileReader::readRegular(dir.path())}) {
        EXPECT_FALSE(folder.bytes);
        EXPECT_EQ(folder.reason(), "Is a directory");
    }
}

} // namespace
} // namespace fen

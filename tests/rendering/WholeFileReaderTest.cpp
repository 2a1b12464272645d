#include "rendering/WholeFileReader.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

TEST(WholeFileReader, ReadsEveryByteOrSaysWhyNot) {
    test::TempDir dir;
    const std::string bytes("%PDF\0\xff binary", 13);
    test::writeFile(dir / "file.bin", bytes);
    std::error_code error = std::make_error_code(std::errc::io_error);
    EXPECT_EQ(WholeFileReader::read(Url::fileURL(dir / "file.bin"), &error), bytes);
    EXPECT_FALSE(error);

    test::writeFile(dir / "empty", "");
    EXPECT_EQ(WholeFileReader::read(dir / "empty"), "");

    EXPECT_FALSE(WholeFileReader::read(dir / "missing", &error));
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(WholeFileReader::read(dir.path(), &error));
    EXPECT_EQ(error, std::errc::is_a_directory);
    EXPECT_FALSE(WholeFileReader::read(*Url::fromString("https://example.com/x.png"), &error));
    EXPECT_EQ(error, std::errc::operation_not_supported);
}

} // namespace
} // namespace fen

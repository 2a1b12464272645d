#include "intents/PDFOutputGenerator.h"

#include "rendering/FenObjectHolder.h"
#include "support/PdfFixtures.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>

// What the page-number, stamp and text operations write is checked on the files fenmoor-cli
// writes (tests/cli); here the date line, failures and resources.

namespace fen {
namespace {

int openDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dirent* entry = readdir(dir)) {
        count += entry->d_name[0] != '.';
    }
    closedir(dir);
    return count;
}

TEST(PDFOutputGenerator, StampDateLineMakesTheStampTaller) {
    // At a fixed angle, so that only the date line can change the picture's shape.
    auto heightOf = [](bool includeDate) {
        StampSettings s = PDFOutputGenerator::stampSettings("Paid", includeDate);
        s.angle = WMAngles::d0;
        FenObjectHolder holder;
        holder.updateStampObject(s);
        EXPECT_FALSE(holder.stampImage.isNull());
        return holder.stampImage.isNull()
                   ? 0.0
                   : double(holder.stampImage.height()) / holder.stampImage.width();
    };
    EXPECT_GT(heightOf(true), heightOf(false) * 1.15);
}

TEST(PDFOutputGenerator, NothingIsWrittenForBrokenOrLockedBytes) {
    test::TemporaryDirectoryScope tmp;
    const std::string page = test::wordPages(2, 600, 800);
    const std::pair<std::string, SkipReason> refused[] = {
        {"this is not a PDF file", SkipReason::damaged},
        {page.substr(0, 30), SkipReason::damaged},
        {test::encryptPdf(page, "user", "owner"), SkipReason::locked}};
    for (const auto& [bytes, reason] : refused) {
        PDFOutput out = PDFOutputGenerator::watermarkFileWithText("X", bytes, "refused");
        EXPECT_FALSE(out.location);
        EXPECT_EQ(out.failure, reason);
    }
    EXPECT_TRUE(tmp.entries().empty());
    // Encrypted for its owner only: it opens without a password and is written without one.
    PDFOutput open = PDFOutputGenerator::watermarkFileWithPageNumber(
        Positions::bottomright, test::encryptPdf(page, "", "owner"), "open");
    ASSERT_TRUE(open.location);
    EXPECT_TRUE(test::qpdfCheck(open.location->path()));
}

TEST(PDFOutputGenerator, HundredFilesLeaveNoOpenDescriptors) {
    test::TemporaryDirectoryScope tmp;
    std::string bytes = test::wordPages(1, 600, 800);
    // The first run loads fonts and caches that stay for the life of the process.
    ASSERT_TRUE(PDFOutputGenerator::watermarkFileWithText("Warm", bytes, "warm").location);
    ASSERT_TRUE(PDFOutputGenerator::watermarkFileWithStamp("Warm", bytes, "warm", true).location);
    ASSERT_TRUE(PDFOutputGenerator::watermarkFileWithPageNumber(Positions::topleft, bytes, "warm")
                    .location);
    int before = openDescriptors();
    for (int i = 0; i < 100; ++i) {
        std::string name = "f" + std::to_string(i);
        PDFOutput out =
            i % 3 == 0   ? PDFOutputGenerator::watermarkFileWithText("T", bytes, name)
            : i % 3 == 1 ? PDFOutputGenerator::watermarkFileWithStamp("S", bytes, name, i % 2 == 0)
                         : PDFOutputGenerator::watermarkFileWithPageNumber(Positions::bottomright,
                                                                           bytes, name);
        ASSERT_TRUE(out.location) << i;
    }
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(tmp.entries().size(), 103u);
}

} // namespace
} // namespace fen

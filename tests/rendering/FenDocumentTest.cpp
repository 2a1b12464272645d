#include "rendering/FenDocument.h"

#include "rendering/FenPage.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

// Every page of an opened document is a FenPage, a locked one's too once it is unlocked.
TEST(FenDocument, OnlyPdfBytesMakeADocumentAndEveryPageIsAFenPage) {
    EXPECT_FALSE(FenDocument::fromData("not a PDF"));
    EXPECT_FALSE(FenDocument::fromData(""));
    test::TempDir dir;
    EXPECT_FALSE(FenDocument::fromURL(Url::fileURL(dir / "missing.pdf")));
    EXPECT_FALSE(FenDocument::fromURL(*Url::fromString("https://example.com/a.pdf")));
    test::writeFile(dir / "in.pdf", test::blankPages(3));
    auto document = FenDocument::fromURL(Url::fileURL(dir / "in.pdf"));
    ASSERT_TRUE(document);
    EXPECT_FALSE(document->wmObjectHolder);
    ASSERT_EQ(document->pageCount(), 3);
    EXPECT_NE(dynamic_cast<FenPage*>(document->page(2)), nullptr);
    auto locked = FenDocument::fromData(test::encryptPdf(test::blankPages(2), "user", "owner"));
    ASSERT_TRUE(locked);
    EXPECT_TRUE(locked->isLocked());
    EXPECT_TRUE(locked->unlock("user"));
    EXPECT_NE(dynamic_cast<FenPage*>(locked->page(1)), nullptr);
}

} // namespace
} // namespace fen

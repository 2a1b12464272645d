#include "rendering/FenDocument.h"

#include "rendering/FenObjectHolder.h"
#include "rendering/FenPage.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

TEST(FenDocument, StartsEmptyAndMakesEveryPageAFenPage) {
    auto document = FenDocument::fromData(test::blankPages(3));
    ASSERT_TRUE(document);
    EXPECT_FALSE(document->wmObjectHolder);
    EXPECT_FALSE(document->isSaving);
    EXPECT_FALSE(document->processorID);
    ASSERT_EQ(document->pageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(dynamic_cast<FenPage*>(document->page(i)), nullptr);
    }

    FenDocument empty;
    EXPECT_EQ(empty.pageCount(), 0);
    ASSERT_EQ(empty.openData(test::blankPages(1)), pdf::OpenResult::opened);
    EXPECT_NE(dynamic_cast<FenPage*>(empty.page(0)), nullptr);
}

TEST(FenDocument, OnlyBytesThatArePdfMakeADocument) {
    EXPECT_FALSE(FenDocument::fromData("not a PDF"));
    EXPECT_FALSE(FenDocument::fromData(""));
    test::TempDir dir;
    EXPECT_FALSE(FenDocument::fromURL(Url::fileURL(dir / "missing.pdf")));
    EXPECT_FALSE(FenDocument::fromURL(*Url::fromString("https://example.com/a.pdf")));

    test::writeFile(dir / "in.pdf", test::blankPages(2));
    auto fromFile = FenDocument::fromURL(Url::fileURL(dir / "in.pdf"));
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->pageCount(), 2);

    // A locked file is a document: it is opened with its password later.
    auto locked = FenDocument::fromData(test::encryptPdf(test::blankPages(2), "user", "owner"));
    ASSERT_TRUE(locked);
    EXPECT_TRUE(locked->isLocked());
    EXPECT_TRUE(locked->unlock("user"));
    EXPECT_EQ(locked->pageCount(), 2);
    EXPECT_NE(dynamic_cast<FenPage*>(locked->page(1)), nullptr);
}

} // namespace
} // namespace fen

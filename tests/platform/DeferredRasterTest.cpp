#include "platform/pdf/DeferredRaster.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedPage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fen::pdf {
namespace {

TEST(DeferredRaster, EveryPageGetsItsOwnPictureInOrderAndAFailedOneNone) {
    test::TempDir dir;
    std::vector<test::FixturePage> pages(24);
    for (auto& page : pages) {
        page.media = gfx::Rect{0, 0, 200, 100};
        page.content = test::textOp(10, 50, 12, "original");
    }
    Document document;
    ASSERT_EQ(document.openData(test::makePdf(pages)), OpenResult::opened);
    // Every page replaces itself with a deferred picture: a grey whose level tells the page, with
    // a black square in its top-left corner (so a picture turned or flipped shows). Page 6 fails.
    test::ScriptedPage::install(document, [](test::ScriptedPage& page, Box box, gfx::Context& ctx) {
        gfx::Rect b = page.bounds(box);
        const int index = page.index();
        DeferredRaster::draw(ctx, {0, 0, b.width, b.height}, 100, 50,
                             [index](gfx::Context& bitmap) {
                                 if (index == 5) {
                                     return false;
                                 }
                                 const double level = index * 8 / 255.0;
                                 bitmap.setFillColor({level, level, level, 1});
                                 bitmap.fillRect({0, 0, 100, 50});
                                 bitmap.setFillColor({0, 0, 0, 1});
                                 bitmap.fillRect({0, 40, 10, 10});
                                 return true;
                             });
    });
    ASSERT_TRUE(document.write((dir / "out.pdf").string()));

    auto images = test::pdfImages(dir / "out.pdf");
    EXPECT_EQ(images.size(), 23u);
    for (const auto& image : images) {
        EXPECT_EQ(std::pair(image.width, image.height), std::pair(100, 50)) << image.page;
    }
    EXPECT_EQ(test::pdftotext(dir / "out.pdf").find("original"), std::string::npos);
    for (int page : {1, 2, 6, 17, 24}) {
        test::Raster r = test::renderCropBox(dir / "out.pdf", page, 72);
        const int expected = page == 6 ? 255 : (page - 1) * 8; // the failed page is empty paper
        EXPECT_NEAR(r.at(150, 80).r, expected, 2) << "page " << page;
        if (page != 6) {
            EXPECT_LT(r.at(3, 3).r, 20) << "page " << page; // the square is at the top left
            EXPECT_NEAR(r.at(3, 97).r, expected, 2) << "page " << page;
        }
    }
    EXPECT_TRUE(test::qpdfCheck(dir / "out.pdf"));
}

TEST(DeferredRaster, OnAnyOtherContextThePictureIsPaintedAtOnceOverWhite) {
    auto target = gfx::BitmapContext::create(40, 20);
    DeferredRaster::draw(*target, {0, 0, 40, 20}, 20, 10, [](gfx::Context& bitmap) {
        bitmap.setFillColor({1, 0, 0, 0.5});
        bitmap.fillRect({0, 0, 10, 10});
        return true;
    });
    gfx::Image image = target->makeImage();
    const std::uint32_t half = image.pixel(5, 10); // half red over white, stretched twice
    EXPECT_EQ(half >> 16, 0xFFFFu);
    EXPECT_NEAR((half >> 8) & 0xFF, 128, 1);
    EXPECT_NEAR(half & 0xFF, 128, 1);
    EXPECT_EQ(image.pixel(30, 10), 0xFFFFFFFFu);

    auto untouched = gfx::BitmapContext::create(10, 10);
    DeferredRaster::draw(*untouched, {0, 0, 10, 10}, 10, 10, [](gfx::Context&) { return false; });
    DeferredRaster::draw(*untouched, {0, 0, 10, 10}, 0, 10, [](gfx::Context&) { return true; });
    DeferredRaster::draw(*untouched, {0, 0, 10, 10}, 40000, 10, [](gfx::Context&) { return true; });
    EXPECT_EQ(untouched->makeImage().pixel(5, 5), 0u);
}

} // namespace
} // namespace fen::pdf

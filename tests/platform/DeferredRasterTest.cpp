#include "platform/pdf/DeferredRaster.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace fen::pdf {
namespace {

// A page that replaces itself with a deferred picture: a grey whose level tells the page, with a
// black square in its top-left corner (so a picture turned or flipped shows). Page `failing`
// fails to paint.
class GreyPage : public Page {
public:
    GreyPage(Document& document, int index, int failing)
        : Page(document, index), failing_(failing) {}
    void draw(Box box, gfx::Context& ctx) override {
        gfx::Rect b = bounds(box);
        const int index = this->index();
        const int failing = failing_;
        DeferredRaster::draw(ctx, {0, 0, b.width, b.height}, 100, 50,
                             [index, failing](gfx::Context& bitmap) {
                                 if (index == failing) {
                                     return false;
                                 }
                                 const double level = index * 8 / 255.0;
                                 bitmap.setFillColor({level, level, level, 1});
                                 bitmap.fillRect({0, 0, 100, 50});
                                 bitmap.setFillColor({0, 0, 0, 1});
                                 bitmap.fillRect({0, 40, 10, 10});
                                 return true;
                             });
    }

private:
    int failing_;
};

TEST(DeferredRaster, EveryPageGetsItsOwnPictureInOrderAndAFailedOneNone) {
    test::TempDir dir;
    std::vector<test::FixturePage> pages(24);
    for (auto& page : pages) {
        page.media = gfx::Rect{0, 0, 200, 100};
        page.content = test::textOp(10, 50, 12, "original");
    }
    Document document;
    ASSERT_EQ(document.openData(test::makePdf(pages)), OpenResult::opened);
    document.setPageFactory(
        [](Document& d, int index) { return std::make_unique<GreyPage>(d, index, 5); });
    ASSERT_TRUE(document.write((dir / "out.pdf").string()));

    test::CommandResult list = test::runCommand({"pdfimages", "-list", (dir / "out.pdf").string()});
    std::istringstream rows(list.out);
    std::string line;
    int images = 0;
    for (int n = 0; std::getline(rows, line); ++n) {
        if (n >= 2 && !line.empty()) {
            ++images;
            EXPECT_NE(line.find(" 100    50 "), std::string::npos) << line;
        }
    }
    EXPECT_EQ(images, 23);
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
    EXPECT_EQ(test::runCommand({"qpdf", "--check", (dir / "out.pdf").string()}).exitCode, 0);
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

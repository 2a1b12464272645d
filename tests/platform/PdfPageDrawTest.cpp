#include "platform/graphics/BitmapContext.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"
#include "platform/pdf/PageImage.h"
#include "rendering/RenderPdfPageImage.h"

#include "support/PdfFixtures.h"

#include <gtest/gtest.h>

namespace fen::pdf {
namespace {

using fen::test::fillRectOp;
using fen::test::FixturePage;

// The colour of an image pixel (premultiplied ARGB, row 0 at the top), un-premultiplied.
fen::test::Rgb pixelAt(const gfx::Image& image, int x, int y) {
    std::uint32_t p = image.pixel(x, y);
    int a = static_cast<int>(p >> 24);
    auto un = [a](std::uint32_t c) { return a ? static_cast<int>((c & 255u) * 255u / a) : -1; };
    return {un(p >> 16), un(p >> 8), un(p)};
}

// Turned pages are shown as written and content drawn alone keeps its place: checked by the
// watermark and flattened-page tests.
TEST(PdfPageDraw, DisplayAddsAnnotationsAndAlphaAppliesToThePage) {
    FixturePage page{.media = gfx::Rect{0, 0, 200, 200},
                     .content = fillRectOp({0, 0, 100, 200}, {1, 0, 0, 1})};
    std::string bytes = fen::test::addSquareAnnotation(fen::test::makePdf({page}), 0,
                                                       {120, 120, 40, 40}, {0, 0, 1, 1});
    Document doc;
    ASSERT_EQ(doc.openData(bytes), OpenResult::opened);
    Page& p = *doc.page(0);
    gfx::Image shown = p.renderForDisplay(Box::crop, 1.0);
    EXPECT_TRUE(pixelAt(shown, 140, 60).near({0, 0, 255}));
    EXPECT_TRUE(pixelAt(shown, 50, 100).near({255, 0, 0}));

    auto bitmap = gfx::BitmapContext::create(200, 200);
    bitmap->setAlpha(0.5);
    p.draw(Box::crop, *bitmap);
    gfx::Image plain = bitmap->makeImage();
    EXPECT_EQ(plain.pixel(140, 60) >> 24, 0u); // no annotation in the page drawing
    EXPECT_NEAR(plain.pixel(50, 100) >> 24, 128u, 2u);
    EXPECT_TRUE(pixelAt(plain, 50, 100).near({255, 0, 0}));
}

// Four pixels per point of the crop box, unturned (checked for a file picture by the watermark
// tests), within the largest size asked for and never enlarged.
TEST(PdfPageDraw, RenderedPageImageKeepsWithinTheLimitsAndIsNeverEnlarged) {
    FixturePage page{
        .media = gfx::Rect{0, 0, 200, 300}, .crop = gfx::Rect{10, 20, 180, 270}, .rotate = 90};
    Document doc;
    ASSERT_EQ(doc.openData(fen::test::makePdf({page, page})), OpenResult::opened);
    const struct {
        int page;
        double maxWidth, maxHeight;
        int width, height;
    } cases[] = {{2, 0, 0, 720, 1080},    {1, 1000, 1000, 720, 1080},
                 {1, 90, 1000, 360, 540}, {1, 0, 50, 720, 1080}, // one limit only: none applies
                 {0, 0, 0, 0, 0},         {3, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        gfx::Image image = renderPDFPageImage(doc, c.page, c.maxWidth, c.maxHeight);
        EXPECT_EQ(std::pair(image.width(), image.height()), std::pair(c.width, c.height))
            << c.page << " " << c.maxWidth;
    }
    Document locked;
    locked.openData(fen::test::encryptPdf(fen::test::makePdf({page}), "u", "o"));
    EXPECT_TRUE(renderPDFPageImage(locked, 1, 0, 0).isNull());
}

TEST(PdfPageImage, TheChosenPageOfAPdfOrNothing) {
    const gfx::Rect crop{30, 40, 100, 120};
    std::string bytes =
        fen::test::makePdf({FixturePage{.media = gfx::Rect{0, 0, 200, 200}, .crop = crop},
                            FixturePage{.media = gfx::Rect{0, 0, 50, 50}}});
    auto first = PageImage::fromData(bytes);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->cropBox(), crop);
    auto second = PageImage::fromData(bytes, 2);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->cropBox().width, 50);
    EXPECT_FALSE(PageImage::fromData(bytes, 3));
    EXPECT_FALSE(PageImage::fromData("GIF89a"));
    EXPECT_FALSE(PageImage::fromData(fen::test::encryptPdf(bytes, "u", "o")));
    EXPECT_FALSE(PageImage::fromFile("/nonexistent/logo.pdf"));
}

} // namespace
} // namespace fen::pdf

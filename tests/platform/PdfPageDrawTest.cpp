#include "platform/graphics/BitmapContext.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"
#include "platform/pdf/PageImage.h"
#include "rendering/RenderPdfPageImage.h"

#include "support/PdfFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fen::pdf {
namespace {

using fen::test::fillRectOp;
using fen::test::FixturePage;
using fen::test::Rgb;

const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};

// A 30-point square of each colour near three corners of `crop`, given in user space.
struct Markers {
    gfx::Point redCentre, greenCentre, blueCentre;
    std::string content;
};

Markers markersIn(const gfx::Rect& crop) {
    Markers m;
    gfx::Rect r{crop.x + 20, crop.y + 20, 30, 30};
    gfx::Rect g{crop.maxX() - 50, crop.y + 20, 30, 30};
    gfx::Rect b{crop.x + 20, crop.maxY() - 50, 30, 30};
    m.redCentre = {r.midX(), r.midY()};
    m.greenCentre = {g.midX(), g.midY()};
    m.blueCentre = {b.midX(), b.midY()};
    m.content =
        fillRectOp(r, {1, 0, 0, 1}) + fillRectOp(g, {0, 1, 0, 1}) + fillRectOp(b, {0, 0, 1, 1});
    return m;
}

// The colour of an image pixel (premultiplied ARGB) with row 0 at the top, un-premultiplied.
Rgb pixelAt(const gfx::Image& image, double x, double yFromTop) {
    std::uint32_t p = image.pixel(static_cast<int>(std::floor(x)), static_cast<int>(yFromTop));
    int a = static_cast<int>(p >> 24);
    if (a == 0) {
        return {-1, -1, -1};
    }
    auto un = [a](std::uint32_t c) { return static_cast<int>((c & 255u) * 255u / a); };
    return {un(p >> 16), un(p >> 8), un(p)};
}

int alphaAt(const gfx::Image& image, double x, double yFromTop) {
    return static_cast<int>(
        image.pixel(static_cast<int>(std::floor(x)), static_cast<int>(yFromTop)) >> 24);
}

struct Geometry {
    gfx::Rect media, crop;
};

TEST(PdfPageDraw, DisplayShowsTheTurnedBoxAndContentStaysInItsOwnUserSpaceOnEveryRotation) {
    const Geometry geometries[] = {
        {{0, 0, 200, 300}, {0, 0, 200, 300}},
        {{0, 0, 200, 300}, {10, 20, 180, 270}},
        {{-50, -30, 240, 320}, {-40, -25, 200, 300}},
    };
    for (const auto& geo : geometries) {
        for (int rotation : {0, 90, 180, 270}) {
            SCOPED_TRACE("rotation " + std::to_string(rotation) + " crop x " +
                         std::to_string(geo.crop.x));
            Markers m = markersIn(geo.crop);
            FixturePage page{geo.media, geo.crop, {}, {}, {}, rotation, m.content};
            Document doc;
            ASSERT_EQ(doc.openData(fen::test::makePdf({page})), OpenResult::opened);
            const std::pair<gfx::Point, Rgb> probes[] = {
                {m.redCentre, red}, {m.greenCentre, green}, {m.blueCentre, blue}};

            // Shown as a viewer shows it: turned, the crop box on paper.
            Page& p = *doc.page(0);
            gfx::Size shown = p.displaySize(Box::crop);
            gfx::Image image = p.renderForDisplay(Box::crop, 2.0);
            ASSERT_FALSE(image.isNull());
            EXPECT_EQ(image.width(), std::lround(shown.width * 2));
            EXPECT_EQ(image.height(), std::lround(shown.height * 2));
            for (const auto& [point, colour] : probes) {
                gfx::Point s = fen::test::shownPoint(point, geo.crop, rotation);
                EXPECT_TRUE(pixelAt(image, s.x * 2, s.y * 2).near(colour));
            }
            gfx::Point empty =
                fen::test::shownPoint({geo.crop.midX(), geo.crop.midY()}, geo.crop, rotation);
            EXPECT_TRUE(pixelAt(image, empty.x * 2, empty.y * 2).near(white));

            // The content alone in its own user space, unturned: no paper, nothing outside the
            // crop box.
            auto bitmap = gfx::BitmapContext::create(geo.media.width, geo.media.height);
            ASSERT_TRUE(bitmap);
            bitmap->translateBy(-geo.media.x, -geo.media.y);
            doc.drawPageContent(0, *bitmap);
            gfx::Image content = bitmap->makeImage();
            for (const auto& [point, colour] : probes) {
                EXPECT_TRUE(pixelAt(content, point.x - geo.media.x, geo.media.maxY() - point.y)
                                .near(colour));
            }
            EXPECT_EQ(
                alphaAt(content, geo.crop.midX() - geo.media.x, geo.media.maxY() - geo.crop.midY()),
                0);
        }
    }
}

TEST(PdfPageDraw, DisplayAddsAnnotationsAndAlphaAppliesToThePage) {
    FixturePage page;
    page.media = gfx::Rect{0, 0, 200, 200};
    page.content = fillRectOp({0, 0, 100, 200}, {1, 0, 0, 1});
    std::string bytes = fen::test::addSquareAnnotation(fen::test::makePdf({page}), 0,
                                                       {120, 120, 40, 40}, {0, 0, 1, 1});
    Document doc;
    ASSERT_EQ(doc.openData(bytes), OpenResult::opened);
    Page& p = *doc.page(0);

    gfx::Image shown = p.renderForDisplay(Box::crop, 1.0);
    EXPECT_TRUE(pixelAt(shown, 140, 60).near(blue));
    EXPECT_TRUE(pixelAt(shown, 50, 100).near(red));

    auto bitmap = gfx::BitmapContext::create(200, 200);
    bitmap->setAlpha(0.5);
    p.draw(Box::crop, *bitmap);
    gfx::Image plain = bitmap->makeImage();
    EXPECT_EQ(alphaAt(plain, 140, 60), 0); // no annotation in the page drawing
    EXPECT_NEAR(alphaAt(plain, 50, 100), 128, 2);
    EXPECT_TRUE(pixelAt(plain, 50, 100).near(red));
}

TEST(PdfPageDraw, RenderedPageImageIsFourPixelsPerPointAndNeverEnlarged) {
    gfx::Rect crop{10, 20, 180, 270};
    Markers m = markersIn(crop);
    FixturePage page{gfx::Rect{0, 0, 200, 300}, crop, {}, {}, {}, 90, m.content};
    Document doc;
    ASSERT_EQ(doc.openData(fen::test::makePdf({page, page})), OpenResult::opened);

    gfx::Image full = renderPDFPageImage(doc, 2, 0, 0);
    ASSERT_FALSE(full.isNull());
    EXPECT_EQ(full.width(), 720);
    EXPECT_EQ(full.height(), 1080);
    auto probe = [&](const gfx::Image& img, gfx::Point p, double scale) {
        return pixelAt(img, (p.x - crop.x) * scale, (crop.maxY() - p.y) * scale);
    };
    EXPECT_TRUE(probe(full, m.redCentre, 4).near(red));
    EXPECT_TRUE(probe(full, m.greenCentre, 4).near(green));
    EXPECT_TRUE(probe(full, m.blueCentre, 4).near(blue));
    EXPECT_EQ(alphaAt(full, 360, 540), 0);

    gfx::Image larger = renderPDFPageImage(doc, 1, 1000, 1000);
    EXPECT_EQ(larger.width(), 720);
    EXPECT_EQ(larger.height(), 1080);
    gfx::Image half = renderPDFPageImage(doc, 1, 90, 1000);
    EXPECT_EQ(half.width(), 360);
    EXPECT_EQ(half.height(), 540);
    EXPECT_TRUE(probe(half, m.greenCentre, 2).near(green));
    gfx::Image oneSide = renderPDFPageImage(doc, 1, 0, 50); // one limit only: none applies
    EXPECT_EQ(oneSide.width(), 720);

    EXPECT_TRUE(renderPDFPageImage(doc, 0, 0, 0).isNull());
    EXPECT_TRUE(renderPDFPageImage(doc, 3, 0, 0).isNull());
    Document locked;
    locked.openData(fen::test::encryptPdf(fen::test::makePdf({page}), "u", "o"));
    EXPECT_TRUE(renderPDFPageImage(locked, 1, 0, 0).isNull());
}

TEST(PdfPageImage, FirstPageDrawsInItsOwnUserSpace) {
    gfx::Rect crop{30, 40, 100, 120};
    Markers m = markersIn(crop);
    FixturePage first{gfx::Rect{0, 0, 200, 200}, crop, {}, {}, {}, 90, m.content};
    FixturePage second{gfx::Rect{0, 0, 50, 50}, {}, {}, {}, {}, {}, ""};
    std::string bytes = fen::test::makePdf({first, second});

    auto image = PageImage::fromData(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->cropBox().x, 30);
    EXPECT_EQ(image->cropBox().width, 100);
    auto bitmap = gfx::BitmapContext::create(200, 200);
    image->draw(*bitmap);
    gfx::Image drawn = bitmap->makeImage();
    EXPECT_TRUE(pixelAt(drawn, m.redCentre.x, 200 - m.redCentre.y).near(red));
    EXPECT_TRUE(pixelAt(drawn, m.blueCentre.x, 200 - m.blueCentre.y).near(blue));
    EXPECT_EQ(alphaAt(drawn, 10, 190), 0); // outside the crop box

    auto secondPage = PageImage::fromData(bytes, 2);
    ASSERT_TRUE(secondPage);
    EXPECT_EQ(secondPage->cropBox().width, 50);
    EXPECT_FALSE(PageImage::fromData(bytes, 3));
    EXPECT_FALSE(PageImage::fromData("GIF89a"));
    EXPECT_FALSE(PageImage::fromData(fen::test::encryptPdf(bytes, "u", "o")));
    EXPECT_FALSE(PageImage::fromFile("/nonexistent/logo.pdf"));
}

} // namespace
} // namespace fen::pdf

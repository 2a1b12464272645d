#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "support/TestSupport.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <sstream>
#include <thread>

using namespace fen::gfx;

namespace {

unsigned alphaAt(const Image& image, int x, int y) {
    return image.pixel(x, y) >> 24;
}
unsigned redAt(const Image& image, int x, int y) {
    return (image.pixel(x, y) >> 16) & 0xff;
}
unsigned blueAt(const Image& image, int x, int y) {
    return image.pixel(x, y) & 0xff;
}

const Color red{1, 0, 0, 1};
const Color blue{0, 0, 1, 1};

} // namespace

TEST(GraphicsContext, OriginIsBottomLeftWithYUp) {
    auto ctx = BitmapContext::create(100, 200);
    ASSERT_TRUE(ctx);
    ctx->setFillColor(red);
    ctx->fillRect({10, 10, 50, 20});
    Image image = ctx->makeImage();
    ASSERT_EQ(image.width(), 100);
    ASSERT_EQ(image.height(), 200);
    // y from 10 to 30 above the bottom edge: rows 170 to 189 counted from the top.
    EXPECT_EQ(alphaAt(image, 30, 189), 255u);
    EXPECT_EQ(alphaAt(image, 30, 170), 255u);
    EXPECT_EQ(alphaAt(image, 30, 190), 0u);
    EXPECT_EQ(alphaAt(image, 30, 169), 0u);
    EXPECT_EQ(alphaAt(image, 9, 180), 0u);
    EXPECT_EQ(alphaAt(image, 10, 180), 255u);
    EXPECT_EQ(alphaAt(image, 59, 180), 255u);
    EXPECT_EQ(alphaAt(image, 60, 180), 0u);
}

TEST(GraphicsContext, ImagesStayUprightAndAreNotTiled) {
    // A 2 × 2 image whose upper row is red and lower row blue.
    auto source = BitmapContext::create(2, 2);
    ASSERT_TRUE(source);
    source->setFillColor(red);
    source->fillRect({0, 1, 2, 1});
    source->setFillColor(blue);
    source->fillRect({0, 0, 2, 1});
    Image small = source->makeImage();
    EXPECT_EQ(redAt(small, 0, 0), 255u); // row 0 is the top of the picture
    EXPECT_EQ(blueAt(small, 0, 1), 255u);

    auto ctx = BitmapContext::create(100, 100);
    ASSERT_TRUE(ctx);
    ctx->setInterpolationQuality(InterpolationQuality::none);
    ctx->drawImage(small, {20, 20, 60, 60});
    Image out = ctx->makeImage();
    EXPECT_EQ(redAt(out, 50, 30), 255u); // top half of the drawn image (y-up 50..80)
    EXPECT_EQ(blueAt(out, 50, 70), 255u);
    EXPECT_EQ(alphaAt(out, 50, 10), 0u); // nothing beyond the rectangle
    EXPECT_EQ(alphaAt(out, 10, 50), 0u);
    EXPECT_EQ(alphaAt(out, 90, 50), 0u);
    EXPECT_EQ(alphaAt(out, 50, 90), 0u);
}

TEST(GraphicsContext, MadeImagesAreIndependentOfLaterDrawing) {
    auto ctx = BitmapContext::create(10, 10);
    ASSERT_TRUE(ctx);
    Image before = ctx->makeImage();
    ctx->setFillColor(red);
    ctx->fillRect({0, 0, 10, 10});
    EXPECT_EQ(alphaAt(before, 5, 5), 0u);
    Image after = ctx->makeImage();
    Image copy = after;
    EXPECT_EQ(copy.cairoSurface(), after.cairoSurface());
    EXPECT_EQ(alphaAt(copy, 5, 5), 255u);
    EXPECT_EQ(copy.pixel(-1, 0), 0u);
    EXPECT_EQ(copy.pixel(10, 0), 0u);
    EXPECT_TRUE(Image().isNull());
}

TEST(GraphicsContext, PositiveRotationTurnsCounterClockwise) {
    auto ctx = BitmapContext::create(100, 100);
    ASSERT_TRUE(ctx);
    ctx->translateBy(50, 50);
    ctx->rotateBy(std::numbers::pi / 2);
    ctx->setFillColor(red);
    ctx->fillRect({10, -2, 20, 4}); // along +x before turning: along +y after
    Image out = ctx->makeImage();
    EXPECT_EQ(alphaAt(out, 50, 30), 255u); // y-up 70: above the centre
    EXPECT_EQ(alphaAt(out, 50, 70), 0u);
    EXPECT_EQ(alphaAt(out, 70, 50), 0u);
    AffineTransform t = ctx->getCTM();
    EXPECT_NEAR(t.a, 0, 1e-12);
    EXPECT_NEAR(t.b, 1, 1e-12);
    EXPECT_NEAR(t.c, -1, 1e-12);
    EXPECT_NEAR(t.d, 0, 1e-12);
    EXPECT_NEAR(t.tx, 50, 1e-12);
    EXPECT_NEAR(t.ty, 50, 1e-12);
}

TEST(GraphicsContext, ConcatenatedMatricesApplyToPointsFirst) {
    auto ctx = BitmapContext::create(100, 100);
    ASSERT_TRUE(ctx);
    ctx->translateBy(10, 20);
    ctx->concatCTM({2, 0, 0, 3, 1, 1});
    ctx->scaleBy(0.5, 0.5);
    AffineTransform expected = AffineTransform::scale(0.5, 0.5)
                                   .concatenating(AffineTransform{2, 0, 0, 3, 1, 1})
                                   .concatenating(AffineTransform::translation(10, 20));
    EXPECT_EQ(ctx->getCTM(), expected);
    ctx->setFillColor(red);
    ctx->fillRect({0, 0, 10, 10}); // lands on x 11..21, y 21..36
    Image out = ctx->makeImage();
    EXPECT_EQ(alphaAt(out, 15, 100 - 30), 255u);
    EXPECT_EQ(alphaAt(out, 25, 100 - 30), 0u);
}

TEST(GraphicsContext, StateRestoresAlphaTransformAndColours) {
    auto ctx = BitmapContext::create(100, 100);
    ASSERT_TRUE(ctx);
    ctx->setFillColor(red);
    ctx->saveGState();
    ctx->setAlpha(0.5);
    ctx->translateBy(50, 0);
    ctx->setFillColor(blue);
    ctx->setBlendMode(BlendMode::colorBurn);
    ctx->setInterpolationQuality(InterpolationQuality::high);
    ctx->setShouldAntialias(false);
    EXPECT_DOUBLE_EQ(ctx->alpha(), 0.5);
    ctx->fillRect({0, 0, 10, 10});
    ctx->restoreGState();
    EXPECT_DOUBLE_EQ(ctx->alpha(), 1);
    EXPECT_EQ(ctx->blendMode(), BlendMode::normal);
    EXPECT_EQ(ctx->interpolationQuality(), InterpolationQuality::defaultQuality);
    EXPECT_TRUE(ctx->shouldAntialias());
    EXPECT_EQ(ctx->getCTM(), AffineTransform::identity());
    ctx->fillRect({0, 0, 10, 10});
    ctx->restoreGState(); // unbalanced: ignored
    Image out = ctx->makeImage();
    EXPECT_NEAR(alphaAt(out, 55, 95), 128u, 1u);
    EXPECT_NEAR(blueAt(out, 55, 95), 128u, 1u);
    EXPECT_EQ(alphaAt(out, 5, 95), 255u);
    EXPECT_EQ(redAt(out, 5, 95), 255u);
}

TEST(GraphicsContext, AlphaReachesImagesAndColourAlphaMultiplies) {
    auto source = BitmapContext::create(4, 4);
    ASSERT_TRUE(source);
    source->setFillColor(red);
    source->fillRect({0, 0, 4, 4});
    Image image = source->makeImage();
    auto ctx = BitmapContext::create(20, 10);
    ASSERT_TRUE(ctx);
    ctx->setAlpha(0.5);
    ctx->drawImage(image, {0, 0, 10, 10});
    ctx->setFillColor({0, 0, 1, 0.5});
    ctx->fillRect({10, 0, 10, 10});
    Image out = ctx->makeImage();
    EXPECT_NEAR(alphaAt(out, 5, 5), 128u, 1u);
    EXPECT_NEAR(alphaAt(out, 15, 5), 64u, 1u);
}

TEST(GraphicsContext, TransparencyLayerCompositesOverlapsOnce) {
    auto ctx = BitmapContext::create(40, 10);
    ASSERT_TRUE(ctx);
    ctx->setAlpha(0.5);
    ctx->setFillColor(red);
    ctx->beginTransparencyLayer();
    EXPECT_DOUBLE_EQ(ctx->alpha(), 1);
    ctx->fillRect({0, 0, 30, 10});
    ctx->fillRect({10, 0, 30, 10});
    ctx->endTransparencyLayer();
    EXPECT_DOUBLE_EQ(ctx->alpha(), 0.5);
    Image out = ctx->makeImage();
    EXPECT_NEAR(alphaAt(out, 5, 5), 128u, 1u);
    EXPECT_NEAR(alphaAt(out, 20, 5), 128u, 1u);
    EXPECT_NEAR(alphaAt(out, 35, 5), 128u, 1u);
}

TEST(GraphicsContext, ReversedRoundedRectMakesARingUnderNonZeroFilling) {
    auto ctx = BitmapContext::create(100, 100);
    ASSERT_TRUE(ctx);
    ctx->setFillColor(red);
    ctx->beginPath();
    ctx->addRoundedRect({10, 10, 80, 80}, 20, 20);
    ctx->addReversedRoundedRect({20, 20, 60, 60}, 15, 15);
    ctx->fillPath();
    ctx->addRect({0, 0, 5, 5});
    ctx->addReversedRect({1, 1, 3, 3});
    ctx->fillPath();
    Image out = ctx->makeImage();
    EXPECT_EQ(alphaAt(out, 50, 50), 0u);   // the hole
    EXPECT_EQ(alphaAt(out, 50, 14), 255u); // the ring
    EXPECT_EQ(alphaAt(out, 11, 11), 0u);   // outside the rounded corner
    EXPECT_EQ(alphaAt(out, 2, 97), 0u);    // square hole
    EXPECT_EQ(alphaAt(out, 0, 99), 255u);

    // Radii beyond half the shorter side are clamped: a circle, no stray spikes.
    auto round = BitmapContext::create(40, 20);
    ASSERT_TRUE(round);
    round->setFillColor(red);
    round->addRoundedRect({0, 0, 20, 20}, 500, 500);
    round->fillPath();
    Image disc = round->makeImage();
    EXPECT_EQ(alphaAt(disc, 10, 10), 255u);
    EXPECT_EQ(alphaAt(disc, 1, 1), 0u);
    EXPECT_EQ(alphaAt(disc, 30, 10), 0u);
}

TEST(GraphicsContext, ClipsIntersectAndAreRestored) {
    auto ctx = BitmapContext::create(100, 100);
    ASSERT_TRUE(ctx);
    ctx->setFillColor(red);
    ctx->saveGState();
    ctx->clipToRect({0, 0, 50, 100});
    ctx->clipToRect({25, 0, 75, 100});
    ctx->fillRect({0, 0, 100, 50});
    ctx->restoreGState();
    ctx->fillRect({0, 90, 100, 10});
    Image out = ctx->makeImage();
    EXPECT_EQ(alphaAt(out, 10, 80), 0u);
    EXPECT_EQ(alphaAt(out, 30, 80), 255u);
    EXPECT_EQ(alphaAt(out, 60, 80), 0u);
    EXPECT_EQ(alphaAt(out, 95, 5), 255u);
}

TEST(GraphicsContext, SingularTransformDrawsNothingAndIsRestored) {
    auto ctx = BitmapContext::create(20, 20);
    ASSERT_TRUE(ctx);
    ctx->setFillColor(red);
    ctx->saveGState();
    ctx->scaleBy(0, 0);
    EXPECT_FALSE(ctx->isTransformInvertible());
    ctx->translateBy(5, 5);
    EXPECT_EQ(ctx->getCTM(), (AffineTransform{0, 0, 0, 0, 0, 0}));
    ctx->fillRect({0, 0, 20, 20});
    ctx->drawImage(ctx->makeImage(), {0, 0, 20, 20});
    ctx->rotateBy(std::nan(""));
    ctx->restoreGState();
    EXPECT_TRUE(ctx->isTransformInvertible());
    EXPECT_EQ(alphaAt(ctx->makeImage(), 10, 10), 0u);
    ctx->fillRect({0, 0, 20, 20});
    EXPECT_EQ(alphaAt(ctx->makeImage(), 10, 10), 255u);
    EXPECT_EQ(cairo_status(ctx->cairo()), CAIRO_STATUS_SUCCESS);
}

TEST(GraphicsContext, WrappedCairoStateIsHandedBackUnchanged) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 50, 50);
    cairo_t* cr = cairo_create(surface);
    cairo_translate(cr, 5, 7);
    cairo_matrix_t before;
    cairo_get_matrix(cr, &before);
    {
        Context ctx(cr, 40);
        EXPECT_EQ(ctx.getCTM(), AffineTransform::identity());
        ctx.setFillColor(red);
        ctx.saveGState();
        ctx.translateBy(3, 3);
        ctx.beginTransparencyLayer();
        ctx.fillRect({0, 0, 1, 1}); // y-up within the 40-unit space: device (8, 43)
        // Left open: the destructor closes the layer and the save.
    }
    cairo_matrix_t after;
    cairo_get_matrix(cr, &after);
    EXPECT_EQ(after.x0, before.x0);
    EXPECT_EQ(after.y0, before.y0);
    EXPECT_EQ(after.yy, before.yy);
    EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    EXPECT_EQ(data[43 * stride + 8 * 4 + 3], 255); // alpha byte (little-endian ARGB)
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

TEST(GraphicsContext, CurrentContextStackIsPerThread) {
    auto a = BitmapContext::create(1, 1);
    auto b = BitmapContext::create(1, 1);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(currentContext(), nullptr);
    pushContext(*a);
    pushContext(*b);
    EXPECT_EQ(currentContext(), b.get());
    Context* seenElsewhere = b.get();
    std::thread([&] { seenElsewhere = currentContext(); }).join();
    EXPECT_EQ(seenElsewhere, nullptr);
    popContext();
    EXPECT_EQ(currentContext(), a.get());
    popContext();
    popContext(); // popping an empty stack is harmless
    EXPECT_EQ(currentContext(), nullptr);
}

TEST(GraphicsContext, BitmapSizesOutsideTheLimitsGiveNoContext) {
    const double bad[] = {0, -1, 0.9, std::nan(""), INFINITY, -INFINITY, 32768, 1e300};
    for (double side : bad) {
        EXPECT_FALSE(BitmapContext::create(side, 10)) << side;
        EXPECT_FALSE(BitmapContext::create(10, side)) << side;
    }
    auto wide = BitmapContext::create(32767.9, 1.5);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->pixelWidth(), 32767);
    EXPECT_EQ(wide->pixelHeight(), 1);
    EXPECT_FALSE(wide->isVectorTarget());
}

TEST(GraphicsContext, OneImageOnManyPdfPagesIsEmbeddedOnce) {
    auto source = BitmapContext::create(64, 32);
    ASSERT_TRUE(source);
    source->setFillColor({0.2, 0.6, 0.3, 0.7});
    source->fillRect({0, 0, 40, 32});
    Image image = source->makeImage();

    fen::test::TempDir dir;
    std::string path = (dir / "images.pdf").string();
    cairo_surface_t* pdf = cairo_pdf_surface_create(path.c_str(), 200, 300);
    cairo_t* cr = cairo_create(pdf);
    for (int page = 0; page < 3; ++page) {
        Context ctx(cr, 300);
        EXPECT_TRUE(ctx.isVectorTarget());
        ctx.setAlpha(0.5);
        ctx.translateBy(100, 150);
        ctx.rotateBy(0.3 * (page + 1));
        ctx.drawImage(image, {-50, -25, 100, 50});
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(pdf);
    ASSERT_EQ(cairo_surface_status(pdf), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(pdf);

    auto check = fen::test::runCommand({"qpdf", "--check", path});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    auto list = fen::test::runCommand({"pdfimages", "-list", path});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    // Every use names the same object: one object number among the image lines.
    std::istringstream lines(list.out);
    std::string line;
    std::set<std::string> objects;
    int uses = 0;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string pageNo, num, type, w, h, color, comp, bpc, enc, interp, object;
        fields >> pageNo >> num >> type >> w >> h >> color >> comp >> bpc >> enc >> interp >>
            object;
        if (type == "image") {
            ++uses;
            objects.insert(object);
        }
    }
    EXPECT_EQ(uses, 3);
    EXPECT_EQ(objects.size(), 1u);
}

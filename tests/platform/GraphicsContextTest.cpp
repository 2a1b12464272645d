#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
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

// The alpha of pixels (x, y from the top): exact for 0 and 255, within 1 for partial coverage.
struct Probe {
    int x, y;
    unsigned alpha;
};
void expectAlpha(const Image& image, std::initializer_list<Probe> probes) {
    for (const auto& [x, y, alpha] : probes) {
        EXPECT_NEAR(alphaAt(image, x, y), alpha, alpha % 255 ? 1 : 0) << "at " << x << "," << y;
    }
}

const Color red{1, 0, 0, 1};
const Color blue{0, 0, 1, 1};

} // namespace

TEST(GraphicsContext, OriginIsBottomLeftWithYUpAndImagesStayUprightUntiled) {
    auto ctx = BitmapContext::create(100, 200);
    ASSERT_TRUE(ctx);
    Image empty = ctx->makeImage();
    ctx->setFillColor(red);
    ctx->fillRect({10, 10, 50, 20});
    Image image = ctx->makeImage();
    ASSERT_EQ(image.width(), 100);
    ASSERT_EQ(image.height(), 200);
    // y from 10 to 30 above the bottom edge: rows 170 to 189 counted from the top.
    expectAlpha(image, {{30, 189, 255},
                        {30, 170, 255},
                        {30, 190, 0},
                        {30, 169, 0},
                        {9, 180, 0},
                        {10, 180, 255},
                        {59, 180, 255},
                        {60, 180, 0}});
    EXPECT_EQ(alphaAt(empty, 30, 180), 0u); // a made image does not follow later drawing
    EXPECT_EQ(image.pixel(-1, 0), 0u);
    EXPECT_TRUE(Image().isNull());

    // A 2 × 2 image whose upper row is red and lower row blue.
    auto source = BitmapContext::create(2, 2);
    ASSERT_TRUE(source);
    source->setFillColor(red);
    source->fillRect({0, 1, 2, 1});
    source->setFillColor(blue);
    source->fillRect({0, 0, 2, 1});
    Image small = source->makeImage();
    EXPECT_EQ(redAt(small, 0, 0), 255u); // row 0 is the top of the picture
    auto out = BitmapContext::create(100, 100);
    ASSERT_TRUE(out);
    out->setInterpolationQuality(InterpolationQuality::none);
    out->drawImage(small, {20, 20, 60, 60});
    Image drawn = out->makeImage();
    EXPECT_EQ(redAt(drawn, 50, 30), 255u); // top half of the drawn image (y-up 50..80)
    EXPECT_EQ(blueAt(drawn, 50, 70), 255u);
    expectAlpha(drawn, {{50, 10, 0}, {10, 50, 0}, {90, 50, 0}, {50, 90, 0}}); // not tiled
}

TEST(GraphicsContext, PositiveRotationTurnsCounterClockwiseAndMatricesApplyToPointsFirst) {
    auto ctx = BitmapContext::create(100, 100);
    ASSERT_TRUE(ctx);
    ctx->translateBy(50, 50);
    ctx->rotateBy(std::numbers::pi / 2);
    ctx->setFillColor(red);
    ctx->fillRect({10, -2, 20, 4}); // along +x before turning: along +y after
    expectAlpha(ctx->makeImage(), {{50, 30, 255}, {50, 70, 0}, {70, 50, 0}});
    AffineTransform t = ctx->getCTM();
    const double expected[] = {0, 1, -1, 0, 50, 50};
    const double got[] = {t.a, t.b, t.c, t.d, t.tx, t.ty};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(got[i], expected[i], 1e-12) << i;
    }

    auto concat = BitmapContext::create(100, 100);
    ASSERT_TRUE(concat);
    concat->translateBy(10, 20);
    concat->concatCTM({2, 0, 0, 3, 1, 1});
    concat->scaleBy(0.5, 0.5);
    EXPECT_EQ(concat->getCTM(), AffineTransform::scale(0.5, 0.5)
                                    .concatenating(AffineTransform{2, 0, 0, 3, 1, 1})
                                    .concatenating(AffineTransform::translation(10, 20)));
    concat->setFillColor(red);
    concat->fillRect({0, 0, 10, 10}); // lands on x 11..21, y 21..36
    expectAlpha(concat->makeImage(), {{15, 70, 255}, {25, 70, 0}});
}

TEST(GraphicsContext, StateRestoresAlphaTransformAndModesAndAlphaAppliesOnce) {
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
    expectAlpha(out, {{55, 95, 128}, {5, 95, 255}});
    EXPECT_NEAR(blueAt(out, 55, 95), 128u, 1u);
    EXPECT_EQ(redAt(out, 5, 95), 255u);

    // The context's alpha reaches images and multiplies a colour's own alpha.
    auto mixed = BitmapContext::create(20, 10);
    ASSERT_TRUE(mixed);
    mixed->setAlpha(0.5);
    mixed->drawImage(fen::test::solidImage(4, 4, red), {0, 0, 10, 10});
    mixed->setFillColor({0, 0, 1, 0.5});
    mixed->fillRect({10, 0, 10, 10});
    expectAlpha(mixed->makeImage(), {{5, 5, 128}, {15, 5, 64}});

    // In a transparency layer overlapping fills are composited once, at the context's alpha.
    auto layer = BitmapContext::create(40, 10);
    ASSERT_TRUE(layer);
    layer->setAlpha(0.5);
    layer->setFillColor(red);
    layer->beginTransparencyLayer();
    EXPECT_DOUBLE_EQ(layer->alpha(), 1);
    layer->fillRect({0, 0, 30, 10});
    layer->fillRect({10, 0, 30, 10});
    layer->endTransparencyLayer();
    EXPECT_DOUBLE_EQ(layer->alpha(), 0.5);
    expectAlpha(layer->makeImage(), {{5, 5, 128}, {20, 5, 128}, {35, 5, 128}});
}

TEST(GraphicsContext, PathsRingsAndClips) {
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
    // The hole, the ring, outside the rounded corner, the square's hole and rim.
    expectAlpha(ctx->makeImage(),
                {{50, 50, 0}, {50, 14, 255}, {11, 11, 0}, {2, 97, 0}, {0, 99, 255}});

    // Radii beyond half the shorter side are clamped: a circle, no stray spikes.
    auto round = BitmapContext::create(40, 20);
    ASSERT_TRUE(round);
    round->setFillColor(red);
    round->addRoundedRect({0, 0, 20, 20}, 500, 500);
    round->fillPath();
    expectAlpha(round->makeImage(), {{10, 10, 255}, {1, 1, 0}, {30, 10, 0}});

    // Clips intersect and go with the state.
    auto clipped = BitmapContext::create(100, 100);
    ASSERT_TRUE(clipped);
    clipped->setFillColor(red);
    clipped->saveGState();
    clipped->clipToRect({0, 0, 50, 100});
    clipped->clipToRect({25, 0, 75, 100});
    clipped->fillRect({0, 0, 100, 50});
    clipped->restoreGState();
    clipped->fillRect({0, 90, 100, 10});
    expectAlpha(clipped->makeImage(), {{10, 80, 0}, {30, 80, 255}, {60, 80, 0}, {95, 5, 255}});
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
    Image image = fen::test::solidImage(64, 32, {0.2, 0.6, 0.3, 0.7});
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

    EXPECT_TRUE(fen::test::qpdfCheck(path));
    // Every use names the same object.
    std::set<std::string> objects;
    int uses = 0;
    for (const auto& row : fen::test::pdfImages(path)) {
        if (row.type == "image") {
            ++uses;
            objects.insert(row.object);
        }
    }
    EXPECT_EQ(uses, 3);
    EXPECT_EQ(objects.size(), 1u);
}

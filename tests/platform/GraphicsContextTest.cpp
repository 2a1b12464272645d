#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/pdf/DeferredRaster.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace fen::gfx;

namespace {

unsigned alphaAt(const Image& image, int x, int y) {
    return image.pixel(x, y) >> 24;
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

// Where drawing lands, bitmap limits, rings and clips are checked on the watermark tests' pictures
// and pages; these are the states they never reach.
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
    EXPECT_NEAR(out.pixel(55, 95) & 0xff, 128u, 1u);
    EXPECT_EQ((out.pixel(5, 95) >> 16) & 0xff, 255u);

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

// A bitmap in memory of its own draws as any other; the image taken from a bitmap without a copy
// holds what was drawn and outlives the bitmap, the mapped one's memory with it.
TEST(GraphicsContext, ATakenImageOfAMappedOrHeapBitmapHoldsItsPixelsAfterTheBitmapGoes) {
    for (const bool mapped : {false, true}) {
        SCOPED_TRACE(mapped ? "mapped" : "heap");
        auto ctx = mapped ? BitmapContext::createMapped(40, 30) : BitmapContext::create(40, 30);
        ASSERT_TRUE(ctx);
        EXPECT_EQ(ctx->makeImage().pixel(20, 15), 0u);
        ctx->setFillColor(red);
        ctx->fillRect({0, 0, 20, 30});
        const Image copy = ctx->makeImage();
        Image taken = BitmapContext::takeImage(std::move(ctx));
        ASSERT_FALSE(taken.isNull());
        EXPECT_EQ(taken.width(), 40);
        EXPECT_EQ(taken.height(), 30);
        const Image kept = taken;
        taken = Image();
        for (const auto& [x, y] : {std::pair{0, 0}, {19, 29}, {20, 0}, {39, 29}}) {
            EXPECT_EQ(kept.pixel(x, y), copy.pixel(x, y)) << x << "," << y;
        }
        EXPECT_EQ(kept.pixel(5, 5), 0xffff0000u);
        EXPECT_EQ(kept.pixel(35, 5), 0u);
    }
    EXPECT_FALSE(BitmapContext::createMapped(0, 10));
    EXPECT_FALSE(BitmapContext::createMapped(10, BitmapContext::maxSide + 1));
    EXPECT_TRUE(BitmapContext::takeImage(nullptr).isNull());
}

// On a PDF the picture is deferred to the write: checked by the flattened-page tests.
TEST(DeferredRaster, OnAnyOtherContextThePictureIsPaintedAtOnceOverWhite) {
    auto target = fen::gfx::BitmapContext::create(40, 20);
    fen::pdf::DeferredRaster::draw(*target, {0, 0, 40, 20}, 20, 10, [](fen::gfx::Context& bitmap) {
        bitmap.setFillColor({1, 0, 0, 0.5});
        bitmap.fillRect({0, 0, 10, 10});
        return true;
    });
    fen::gfx::Image image = target->makeImage();
    const std::uint32_t half = image.pixel(5, 10); // half red over white, stretched twice
    EXPECT_EQ(half >> 16, 0xFFFFu);
    EXPECT_NEAR((half >> 8) & 0xFF, 128, 1);
    EXPECT_NEAR(half & 0xFF, 128, 1);
    EXPECT_EQ(image.pixel(30, 10), 0xFFFFFFFFu);

    auto untouched = fen::gfx::BitmapContext::create(10, 10);
    fen::pdf::DeferredRaster::draw(*untouched, {0, 0, 10, 10}, 10, 10,
                                   [](fen::gfx::Context&) { return false; });
    fen::pdf::DeferredRaster::draw(*untouched, {0, 0, 10, 10}, 0, 10,
                                   [](fen::gfx::Context&) { return true; });
    fen::pdf::DeferredRaster::draw(*untouched, {0, 0, 10, 10}, 40000, 10,
                                   [](fen::gfx::Context&) { return true; });
    EXPECT_EQ(untouched->makeImage().pixel(5, 5), 0u);
}

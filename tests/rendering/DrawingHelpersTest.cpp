#include "rendering/DrawingHelpers.h"

#include "platform/pdf/Page.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

using namespace fen;
using gfx::AffineTransform;
using gfx::Rect;

namespace {

std::string fixed(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    std::string s = buf;
    return s == "-0.000000" ? "0.000000" : s;
}

std::string text(const AffineTransform& t) {
    return fixed(t.a) + " " + fixed(t.b) + " " + fixed(t.c) + " " + fixed(t.d) + " " + fixed(t.tx) +
           " " + fixed(t.ty);
}

} // namespace

TEST(DrawingHelpers, PageRotationMatricesWithAndWithoutARectangleOrigin) {
    const Rect atOrigin{0, 0, 200, 300}, inset{36, 72, 200, 300};
    const std::tuple<double, Rect, const char*> cases[] = {
        {0, atOrigin, "1.000000 0.000000 0.000000 1.000000 0.000000 0.000000"},
        {90, atOrigin, "0.000000 1.000000 -1.000000 0.000000 300.000000 0.000000"},
        {180, atOrigin, "-1.000000 0.000000 0.000000 -1.000000 200.000000 300.000000"},
        {270, atOrigin, "0.000000 -1.000000 1.000000 0.000000 0.000000 200.000000"},
        // The rectangle's origin is moved first.
        {0, inset, "1.000000 0.000000 0.000000 1.000000 -36.000000 -72.000000"},
        {90, inset, "0.000000 1.000000 -1.000000 0.000000 372.000000 -36.000000"},
        {180, inset, "-1.000000 0.000000 0.000000 -1.000000 236.000000 372.000000"},
        {270, inset, "0.000000 -1.000000 1.000000 0.000000 -72.000000 236.000000"},
        {12.5, inset, "1.000000 0.000000 0.000000 1.000000 -36.000000 -72.000000"},
        {-1, inset, "1.000000 0.000000 0.000000 1.000000 -36.000000 -72.000000"},
    };
    for (const auto& [rotation, rect, expected] : cases) {
        auto ctx = makeBitmapContext(1, 1);
        ASSERT_TRUE(ctx);
        applyPageRotation(*ctx, rotation, rect);
        EXPECT_EQ(text(ctx->getCTM()), expected) << rotation << " at x " << rect.x;
    }
    // For 90 a seen point (x, y) of the rectangle lies at (H − y, x) of the page relative to its
    // origin: the page's own space turned back under the page a viewer turned clockwise.
    gfx::Point p = pageRotationTransform(90, inset).apply(gfx::Point{36 + 20, 72 + 50});
    EXPECT_NEAR(p.x, 300 - 50, 1e-9);
    EXPECT_NEAR(p.y, 20, 1e-9);
    // Undone by the viewer's turn of the page: every seen point shows where it was drawn.
    for (int rotation : {0, 90, 180, 270}) {
        const bool quarter = rotation == 90 || rotation == 270;
        const Rect seen{0, 0, quarter ? 300.0 : 200.0, quarter ? 200.0 : 300.0};
        const AffineTransform round =
            pageRotationTransform(rotation, seen)
                .concatenating(pdf::turnedBoxTransform(rotation, 200, 300));
        for (gfx::Point q : {gfx::Point{0, 0}, gfx::Point{30, 170}, gfx::Point{seen.width, 5}}) {
            gfx::Point shown = round.apply(q);
            EXPECT_NEAR(shown.x, q.x, 1e-9) << rotation;
            EXPECT_NEAR(shown.y, q.y, 1e-9) << rotation;
        }
    }
    // The rotation is concatenated to the context's current transform.
    auto ctx = makeBitmapContext(10, 10);
    ASSERT_TRUE(ctx);
    ctx->translateBy(10, 20);
    applyPageRotation(*ctx, 90, atOrigin);
    EXPECT_EQ(text(ctx->getCTM()), "0.000000 1.000000 -1.000000 0.000000 310.000000 20.000000");
}

TEST(DrawingHelpers, BitmapContextsRoundSizesDownAndRefuseSizesOutOfRange) {
    auto plain = makeBitmapContext(100.9, 50.2);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->pixelWidth(), 100);
    EXPECT_EQ(plain->pixelHeight(), 50);
    EXPECT_FALSE(makeBitmapContext(32768, 10));
    auto scaled = makeScaledBitmapContext(4, 10.3, 5.1);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->pixelWidth(), 41);
    EXPECT_EQ(scaled->pixelHeight(), 20);
    EXPECT_EQ(scaled->getCTM(), AffineTransform::identity()); // the caller scales
    for (double bad : {0.0, -5.0, double(NAN), double(INFINITY), 32768.0, 1e12}) {
        EXPECT_FALSE(makeScaledBitmapContext(1, bad, 10)) << bad;
        EXPECT_FALSE(makeScaledBitmapContext(bad, 10, 10)) << bad;
    }
    EXPECT_FALSE(makeScaledBitmapContext(4, 8192, 10)); // 32768 pixels
    EXPECT_TRUE(makeScaledBitmapContext(4, 8191.9, 1));
}

TEST(DrawingHelpers, WatermarkTextsAreCutAfterTheirAllowedCharactersNeverInsideOne) {
    const std::size_t n = maximumWatermarkTextLength;
    const std::string e = "\xC3\xA9";             // "é": two bytes, one character
    const std::string emoji = "\xF0\x9F\x98\x80"; // four bytes, one character
    const std::pair<std::string, std::size_t> cases[] = {
        {"Paid", 4},
        {std::string(n, 'x'), n},
        {std::string(n + 1, 'x'), n},
        {std::string(n - 1, 'x') + e + "y", n + 1},
        {std::string(n - 1, 'x') + emoji + e, n + 3},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(drawnWatermarkText(text).size(), bytes) << text.size();
        EXPECT_EQ(drawnWatermarkText(text), std::string_view(text).substr(0, bytes));
    }
}

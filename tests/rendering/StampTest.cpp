#include "rendering/FenStampImageBuilder.h"

#include "platform/text/TextLine.h"
#include "rendering/FenStamp.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace fen {
namespace {

const gfx::Color red{1, 0, 0, 1};

bool inked(const gfx::Image& image, int x, int y) {
    return (image.pixel(x, y) >> 24) > 128;
}

TEST(StampImage, TheLongerSideIs2000PixelsAndA45DegreeStampIsSquare) {
    gfx::Image flat = FenStampImageBuilder::buildStampImage("APPROVED", {}, {}, red, 0);
    ASSERT_FALSE(flat.isNull());
    EXPECT_EQ(flat.width(), 2000);
    EXPECT_LT(flat.height(), 2000);

    gfx::Image turned = FenStampImageBuilder::buildStampImage("APPROVED", {}, {}, red, 45);
    ASSERT_FALSE(turned.isNull());
    EXPECT_EQ(turned.width(), 2000);
    EXPECT_EQ(turned.height(), 2000);

    gfx::Image upright = FenStampImageBuilder::buildStampImage("APPROVED", {}, {}, red, 90);
    ASSERT_FALSE(upright.isNull());
    EXPECT_EQ(upright.height(), 2000);
    EXPECT_EQ(upright.width(), flat.height());
}

TEST(StampImage, WithoutLinesTheFrameIsTextWidthPlusHeightByTwiceTheHeight) {
    auto stamp = FenStampImageBuilder::stampAttributedString("DRAFT", red);
    ASSERT_TRUE(stamp.has_value());
    gfx::Rect ink = text::TextLine(*stamp).imageBounds();
    gfx::Image image = FenStampImageBuilder::buildStampImage("DRAFT", {}, {}, red, 0);
    ASSERT_FALSE(image.isNull());
    EXPECT_NEAR(image.height(), 2000 * (2 * ink.height) / (ink.width + ink.height), 1.0);
    // The ring reaches the bitmap's edges at the middle of each side; the rounded corners leave
    // the bitmap's corners empty; the inside of the ring is empty between frame and text.
    const int w = image.width(), h = image.height();
    EXPECT_TRUE(inked(image, w / 2, 1));
    EXPECT_TRUE(inked(image, w / 2, h - 2));
    EXPECT_TRUE(inked(image, 1, h / 2));
    EXPECT_TRUE(inked(image, w - 2, h / 2));
    EXPECT_FALSE(inked(image, 0, 0));
    EXPECT_FALSE(inked(image, w - 1, h - 1));
    // The ink has the colour and its alpha.
    gfx::Image faint =
        FenStampImageBuilder::buildStampImage("DRAFT", {}, {}, gfx::Color{0, 0, 1, 0.5}, 0);
    std::uint32_t p = faint.pixel(w / 2, 1);
    EXPECT_NEAR(p >> 24, 128, 2);
    EXPECT_NEAR(p & 0xFF, 128, 2);
    EXPECT_EQ((p >> 16) & 0xFF, 0u);
}

TEST(StampImage, EmptyOrBlankTextGivesNoStamp) {
    EXPECT_TRUE(FenStampImageBuilder::buildStampImage("", {}, {}, red, 0).isNull());
    EXPECT_TRUE(FenStampImageBuilder::buildStampImage("   ", {"Name"}, {"Date"}, red, 30).isNull());
    EXPECT_TRUE(FenStampImageBuilder::buildStampImage("\t\n", {}, {}, red, 0).isNull());
    EXPECT_FALSE(FenStampImageBuilder::buildStampImage(" OK ", {}, {}, red, 0).isNull());
}

TEST(StampImage, ASmallFrameKeepsItsRingWithCornerRadiiClampedToHalfTheShorterSide) {
    // "." is about 110 points square at 800 points: its frame is narrower than the two corner
    // radii of 150 together.
    gfx::Image image = FenStampImageBuilder::buildStampImage(".", {}, {}, red, 0);
    ASSERT_FALSE(image.isNull());
    const int w = image.width(), h = image.height();
    EXPECT_EQ(w, 2000);
    EXPECT_TRUE(inked(image, w / 2, 2));
    EXPECT_TRUE(inked(image, w / 2, h - 3));
    EXPECT_TRUE(inked(image, 2, h / 2));
    EXPECT_TRUE(inked(image, w - 3, h / 2));
    EXPECT_FALSE(inked(image, w / 8, h / 8));        // round: the corners are cut
    EXPECT_FALSE(inked(image, w / 2, h * 17 / 100)); // hollow between ring and dot
}

// Runs of rows with ink in the columns between 15 % and 85 % of the width: each run with its
// first and last row (top down) and the horizontal extent of its ink.
struct Band {
    int top, bottom, left, right;
};
std::vector<Band> inkBands(const gfx::Image& image) {
    std::vector<Band> bands;
    const int x0 = image.width() * 15 / 100, x1 = image.width() * 85 / 100;
    bool open = false;
    for (int y = 0; y < image.height(); ++y) {
        int left = -1, right = -1;
        for (int x = x0; x < x1; ++x) {
            if (inked(image, x, y)) {
                left = left < 0 ? x : left;
                right = x;
            }
        }
        if (left >= 0) {
            if (!open) {
                bands.push_back({y, y, left, right});
                open = true;
            }
            Band& b = bands.back();
            b.bottom = y;
            b.left = std::min(b.left, left);
            b.right = std::max(b.right, right);
        } else {
            open = false;
        }
    }
    return bands;
}

TEST(StampImage, ReadsStampTextThenDateThenNameFromTopToBottomInsideTheFrame) {
    gfx::Image image = FenStampImageBuilder::buildStampImage(
        "HELLO", std::optional<std::string>("W"),
        std::optional<std::string>("March 5, 2024 and a long date line"), red, 0);
    ASSERT_FALSE(image.isNull());
    std::vector<Band> bands = inkBands(image);
    // Top bar of the ring, stamp text, date line, name line, bottom bar.
    ASSERT_EQ(bands.size(), 5u);
    const Band& text = bands[1];
    const Band& date = bands[2];
    const Band& name = bands[3];
    EXPECT_GT(text.bottom - text.top, 3 * (date.bottom - date.top));
    EXPECT_GT(date.right - date.left, 5 * (name.right - name.left)); // the wide line is the date
    EXPECT_LT(text.bottom, date.top);
    EXPECT_LT(date.bottom, name.top);
    EXPECT_LT(name.bottom, bands[4].top);

    // Without lines there are only the text and the ring.
    EXPECT_EQ(inkBands(FenStampImageBuilder::buildStampImage("HELLO", {}, {}, red, 0)).size(), 3u);
    // A name alone adds one band under the text.
    EXPECT_EQ(inkBands(FenStampImageBuilder::buildStampImage("HELLO", {"Name"}, {}, red, 0)).size(),
              4u);
}

StampSettings stampSettings(Positions position, std::int64_t size) {
    StampSettings settings;
    settings.stampTextColor = StampTextColor{"approved", red};
    settings.position = position;
    settings.sizeopacity = {size, 100};
    return settings;
}

TEST(StampPlacement, AtSize100OnA4AsWideAsThePageElseTenPointsFromTheEdges) {
    test::TempDir dir;
    // The ink's box in points (left, top, right, bottom) where a side is pinned; NAN where not.
    const std::tuple<double, double, Positions, std::int64_t, std::array<double, 4>> cases[] = {
        // At 100 on A4 as wide as the page; no margin at the bottom-left corner.
        {595, 842, Positions::none, 100, {0, NAN, 595, 842}},
        // Half of the shorter side, 10 points from the edges.
        {600, 800, Positions::bottomright, 50, {290, NAN, 590, 790}},
        {600, 800, Positions::topleft, 50, {10, 10, 310, NAN}},
    };
    for (const auto& [width, height, position, size, box] : cases) {
        SCOPED_TRACE(std::string(localizationKey(position)));
        test::WatermarkJob job = test::makeWatermarkJob(test::blankPages(1, width, height));
        job.model->stampConf = stampSettings(position, size);
        ASSERT_TRUE(job.write(dir / "out.pdf"));
        test::Ink ink = test::inkOf(test::renderCropBox(dir / "out.pdf", 1, 72), test::isRed);
        const double got[] = {double(ink.minX), double(ink.minY), ink.maxX + 1.0, ink.maxY + 1.0};
        for (int i = 0; i < 4; ++i) {
            if (!std::isnan(box[i])) {
                EXPECT_NEAR(got[i], box[i], 1.5) << "side " << i;
            }
        }
    }
    // Horizontally centred: 10 points right of the true centre.
    auto bitmap = gfx::BitmapContext::create(600, 800);
    gfx::Image stamp = FenStampImageBuilder::buildStampImage("APPROVED", {}, {}, red, 0);
    FenStamp::drawStamp(stamp, Positions::topcenter, *bitmap, 0, 0.5, {0, 0, 600, 800});
    gfx::Image drawn = bitmap->makeImage();
    int minX = 600, maxX = -1;
    for (int x = 0; x < 600; ++x) {
        for (int y = 0; y < 400; ++y) {
            if (inked(drawn, x, y)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                break;
            }
        }
    }
    EXPECT_NEAR((minX + maxX + 1) / 2.0, 310, 1.5);
    // A null stamp draws nothing.
    auto empty = gfx::BitmapContext::create(60, 80);
    FenStamp::drawStamp(gfx::Image(), Positions::middle, *empty, 0, 1, {0, 0, 60, 80});
    EXPECT_EQ(empty->makeImage().pixel(30, 40), 0u);
}

} // namespace
} // namespace fen

#include "rendering/FenStampImageBuilder.h"

#include "platform/foundation/Log.h"
#include "platform/text/TextLine.h"
#include "rendering/DrawingHelpers.h"
#include "rendering/FenObjectHolder.h"
#include "rendering/FenPage.h"
#include "rendering/FenStamp.h"
#include "rendering/WatermarkNotices.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

namespace fen {
namespace {

const gfx::Color red{1, 0, 0, 1};

bool inked(const gfx::Image& image, int x, int y) {
    return (image.pixel(x, y) >> 24) > 128;
}

TEST(StampImage, TheLongerSideIs2000PixelsA45DegreeStampIsSquareAndBlankTextGivesNone) {
    auto build = [](double angle) {
        return FenStampImageBuilder::buildStampImage("APPROVED", {}, {}, red, angle);
    };
    gfx::Image flat = build(0), turned = build(45), upright = build(90);
    ASSERT_FALSE(flat.isNull() || turned.isNull() || upright.isNull());
    EXPECT_EQ(flat.width(), 2000);
    EXPECT_LT(flat.height(), 2000);
    EXPECT_EQ(std::pair(turned.width(), turned.height()), std::pair(2000, 2000));
    EXPECT_EQ(std::pair(upright.width(), upright.height()), std::pair(flat.height(), 2000));
    EXPECT_TRUE(FenStampImageBuilder::buildStampImage("", {}, {}, red, 0).isNull());
    EXPECT_TRUE(FenStampImageBuilder::buildStampImage("   ", {"Name"}, {"Date"}, red, 30).isNull());
    EXPECT_TRUE(FenStampImageBuilder::buildStampImage("\t\n", {}, {}, red, 0).isNull());
    EXPECT_FALSE(FenStampImageBuilder::buildStampImage(" OK ", {}, {}, red, 0).isNull());
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

// A FenPage that first sets up the stamp of its own case: the holder and the model are read at
// the moment a page is drawn, so one document carries one stamp set-up per page.
class StampCasePage : public FenPage {
public:
    StampCasePage(pdf::Document& document, int index, std::function<void(int)> prepare)
        : FenPage(document, index), prepare_(std::move(prepare)) {}
    void draw(pdf::Box box, gfx::Context& ctx) override {
        prepare_(index());
        FenPage::draw(box, ctx);
    }

private:
    std::function<void(int)> prepare_;
};

// Every angle on a page of its own, the placements taken in turn so that each is met at one or two
// angles (a placement's corner depends on the angle only through the picture's size), on
// 600 × 800 pages so that a swap of x and y shows: the ink lies 10 points from the edges it is
// pinned to (horizontally centred placements 10 points right of the centre, none at the
// bottom-left corner without margin), its longer side is 30 % of the page's shorter side, and it
// leans by the stamp's angle. One document holds all the cases, since rendering is what costs.
// A stamp of thousands of characters is drawn, however thin: its picture is one pixel high where
// 2000 pixels long would leave it none. A text past the length of the window's fields is drawn cut
// there, and that is told; a stamp whose picture would be longer than a bitmap may be, even one
// pixel high, is left out and told so instead (never told as drawn cut). A scope tells each once.
TEST(StampImage, ALongStampIsDrawnAPixelHighOrToldAsLeftOutOncePerScope) {
    auto repeated = [](std::string_view piece, std::size_t characters) {
        std::string text;
        while (text.size() < characters) {
            text += piece;
        }
        return text.substr(0, characters); // ASCII: one byte a character
    };
    const std::string words = "APPROVED FOR PAYMENT BY THE BOARD, ";
    const std::string cut = "The stamp text is longer than 32767 characters: only its first 32767 "
                            "are drawn.";
    const std::string leftOut = "The stamp text is too long to draw: the stamp is left out.";
    const struct {
        const char* name;
        std::string text;
        WMAngles angle;
        bool withLines;
        std::vector<std::string> told; // null image when it holds leftOut
    } cases[] = {
        {"5000 characters", repeated(words, 5000), WMAngles::d0, false, {}},
        {"5000 characters, turned", repeated(words, 5000), WMAngles::dp20, false, {}},
        {"5000 characters with a name and a date", repeated(words, 5000), WMAngles::d0, true, {}},
        {"as long as the bound",
         repeated(words, maximumWatermarkTextLength),
         WMAngles::d0,
         false,
         {}},
        {"one more", repeated(words, maximumWatermarkTextLength + 1), WMAngles::d0, false, {cut}},
        // A pixel high, turned, it would take a bitmap of some 200 megabytes.
        {"as long as the bound, turned",
         repeated(words, maximumWatermarkTextLength),
         WMAngles::dp20,
         false,
         {leftOut}},
        {"dashes as long as the bound",
         repeated("-", maximumWatermarkTextLength),
         WMAngles::d0,
         false,
         {leftOut}},
        {"dashes one more",
         repeated("-", maximumWatermarkTextLength + 1),
         WMAngles::d0,
         false,
         {leftOut}},
        // Turned at random by 10 to 24 degrees (at the top left), as the command line's stamps
        // are: judged at 24 degrees, whatever the angle drawn, so that every file and every run
        // has it or none. 20000 characters take a bitmap small enough up to 23 degrees only.
        {"19000 characters, turned at random", repeated(words, 19000), WMAngles::auto_, false, {}},
        {"20000 characters, turned at random",
         repeated(words, 20000),
         WMAngles::auto_,
         false,
         {leftOut}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> lines;
        FenObjectHolder holder;
        holder.notices = std::make_shared<WatermarkNotices>(
            [&lines](WatermarkNotices::Kind, const std::string& line) { lines.push_back(line); });
        const StampSettings settings{.stampTextColor = StampTextColor{c.text, red},
                                     .position = Positions::topleft,
                                     .angle = c.angle,
                                     .datename = {.isIncluded = c.withLines,
                                                  .isNameActive = true,
                                                  .nameValue = "Name",
                                                  .isDateActive = true}};
        holder.updateStampObject(settings);
        holder.updateStampObject(settings); // the same scope tells nothing again
        EXPECT_EQ(lines, c.told);
        const gfx::Image& image = holder.stampImage;
        if (c.told == std::vector{leftOut}) {
            EXPECT_TRUE(image.isNull());
            continue;
        }
        ASSERT_FALSE(image.isNull());
        EXPECT_GE(image.height(), 1);
        EXPECT_GT(image.width(), image.height());
        // At least as much ink as one whole row: the ring runs round the picture's edges.
        int inkedPixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                inkedPixels += (image.pixel(x, y) >> 24) > 0;
            }
        }
        EXPECT_GE(inkedPixels, image.width());
    }
    // The picture of the 20000 characters itself: drawn turned by up to 23 degrees, left out at
    // any angle when judged at 24.
    const std::string text = repeated(words, 20000);
    for (int angle : {10, 23, 24}) {
        bool tooLong = false;
        FenStampImageBuilder::buildStampImage(text, {}, {}, red, angle, &tooLong, 24);
        EXPECT_TRUE(tooLong) << angle;
        FenStampImageBuilder::buildStampImage(text, {}, {}, red, angle, &tooLong);
        EXPECT_EQ(tooLong, angle == 24) << angle;
    }
}

TEST(StampPlacement, EveryPlacementAndAngleLandsWhereItSaysOnTheWrittenPage) {
    constexpr double W = 600, H = 800, margin = 10, size = 30, dpi = 36;
    enum Pin { low, centre, high, none };
    const std::tuple<Positions, Pin, Pin> placements[] = {
        {Positions::topleft, low, high},     {Positions::topcenter, centre, high},
        {Positions::topright, high, high},   {Positions::middle, centre, centre},
        {Positions::bottomleft, low, low},   {Positions::bottomcenter, centre, low},
        {Positions::bottomright, high, low}, {Positions::none, none, none},
    };
    const WMAngles angles[] = {WMAngles::dm60, WMAngles::dm50, WMAngles::dm40, WMAngles::dm30,
                               WMAngles::dm20, WMAngles::dm10, WMAngles::d0,   WMAngles::dp10,
                               WMAngles::dp20, WMAngles::dp30, WMAngles::dp40, WMAngles::dp50,
                               WMAngles::dp60};
    const int pages = std::ssize(angles);
    auto caseOf = [&](int page) {
        return std::pair(placements[page % std::ssize(placements)],
                         angles[static_cast<size_t>(page)]);
    };
    test::WatermarkJob job = test::makeWatermarkJob(test::blankPages(pages, W, H));
    ASSERT_TRUE(job.document);
    // The stamp picture of each angle, made once through the holder as a save makes it.
    std::map<WMAngles, gfx::Image> pictures;
    auto settings = [&](Positions position, WMAngles angle) {
        return StampSettings{.stampTextColor = StampTextColor{"approved", red},
                             .position = position,
                             .angle = angle,
                             .sizeopacity = {static_cast<std::int64_t>(size), 100}};
    };
    for (WMAngles angle : angles) {
        job.holder->updateStampObject(settings(Positions::none, angle));
        pictures[angle] = job.holder->stampImage;
    }
    job.document->setPageFactory([&](pdf::Document& d, int index) {
        return std::make_unique<StampCasePage>(d, index, [&](int i) {
            auto [placement, angle] = caseOf(i);
            job.model->stampConf = settings(std::get<0>(placement), angle);
            job.holder->stampImage = pictures[angle];
        });
    });
    test::TempDir dir;
    ASSERT_TRUE(job.document->write((dir / "stamps.pdf").string()));
    std::vector<test::Raster> rasters = test::renderCropBoxes(dir / "stamps.pdf", dpi);
    ASSERT_EQ(std::ssize(rasters), pages);
    for (int page = 0; page < pages; ++page) {
        auto [placement, angle] = caseOf(page);
        auto [position, alongX, alongY] = placement;
        const gfx::Image& picture = pictures[angle];
        SCOPED_TRACE(std::string(localizationKey(position)) + " at " +
                     std::to_string(*angleDegrees(angle)) + " degrees");
        // The picture's size on the page, in points.
        const double scale =
            std::min(W, H) * size / 100 / std::max(picture.width(), picture.height());
        const double w = picture.width() * scale, h = picture.height() * scale;
        auto start = [&](Pin pin, double extent, double side) {
            switch (pin) {
            case low:
                return margin;
            case centre:
                return (side - extent) / 2 + (side == W ? margin : 0);
            case high:
                return side - extent - margin;
            case none:
                break;
            }
            return 0.0;
        };
        // The picture's centre, in points from the top left of the page as shown.
        const double x = start(alongX, w, W) + w / 2;
        const double y = H - (start(alongY, h, H) + h / 2);
        test::Ink ink = test::inkOf(rasters[static_cast<size_t>(page)], test::isRed);
        ASSERT_GT(ink.count, 0);
        const double px = 72 / dpi; // points per pixel
        EXPECT_NEAR((ink.minX + ink.maxX + 1) / 2.0 * px, x, 3);
        EXPECT_NEAR((ink.minY + ink.maxY + 1) / 2.0 * px, y, 3);
        EXPECT_NEAR((ink.maxX - ink.minX + 1) * px, w, 6);
        EXPECT_NEAR((ink.maxY - ink.minY + 1) * px, h, 6);
        // Counter-clockwise on the page is a rise to the right, a negative angle in pixels.
        EXPECT_NEAR(ink.angleDegrees, -*angleDegrees(angle), 3);
    }
}

TEST(StampPlacement, ANullStampDrawsNothing) {
    auto empty = gfx::BitmapContext::create(60, 80);
    FenStamp::drawStamp(gfx::Image(), Positions::middle, *empty, 0, 1, {0, 0, 60, 80});
    EXPECT_EQ(empty->makeImage().pixel(30, 40), 0u);
}

} // namespace
} // namespace fen

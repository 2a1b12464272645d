#include "rendering/FenPDFImage.h"

#include "platform/graphics/BitmapContext.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>

#include <cmath>

namespace fen {
namespace {

using test::FixturePage;
using test::isRed;

ImageSettings imageSettings(const std::filesystem::path& file, Positions position,
                            std::int64_t size, WMAngles angle = WMAngles::d0,
                            std::int64_t horizontal = 0, std::int64_t vertical = 0,
                            std::int64_t opacity = 100) {
    return {Url::fileURL(file), position, angle, {size, opacity}, {vertical, horizontal}};
}

// Writes `pdf` with the image watermark and renders page `page` at 72 dpi (1 pixel = 1 point,
// from the top left of the page).
test::Raster writeAndRender(const test::TempDir& dir, const std::string& pdf,
                            const ImageSettings& settings, int page = 1) {
    test::WatermarkJob job = test::makeWatermarkJob(pdf);
    job.model->imageConf = settings;
    std::filesystem::path out = dir / "out.pdf";
    EXPECT_TRUE(job.write(out));
    return test::renderCropBox(out, page, 72);
}

// The red ink's box in points: left, top, right (exclusive) and bottom (exclusive).
struct PointBox {
    double left, top, right, bottom;
};
PointBox redBox(const test::Raster& raster) {
    test::Ink ink = test::inkOf(raster, isRed);
    EXPECT_GT(ink.count, 0);
    return {double(ink.minX), double(ink.minY), double(ink.maxX + 1), double(ink.maxY + 1)};
}

void expectBox(const PointBox& box, const PointBox& expected) {
    constexpr double tolerance = 1.5;
    EXPECT_NEAR(box.left, expected.left, tolerance);
    EXPECT_NEAR(box.top, expected.top, tolerance);
    EXPECT_NEAR(box.right, expected.right, tolerance);
    EXPECT_NEAR(box.bottom, expected.bottom, tolerance);
}

TEST(ImageWatermark, FitsTheShorterSideScalesBySizeKeepsItsDistancesAndTurnsItsFootprint) {
    test::TempDir dir;
    const std::string page = test::blankPages(1, 600, 800);
    auto large = test::writeSolidPng(dir / "large.png", 3000, 2000, {1, 0, 0, 1});
    auto small = test::writeSolidPng(dir / "small.png", 100, 100, {1, 0, 0, 1});
    auto wide = test::writeSolidPng(dir / "wide.png", 200, 100, {1, 0, 0, 1});
    const double c = std::cos(30 * M_PI / 180), s = std::sin(30 * M_PI / 180);
    const double bw = 200 * c + 100 * s, bh = 200 * s + 100 * c;
    struct Case {
        const char* what;
        ImageSettings settings;
        PointBox box;
    } cases[] = {
        // 3000 × 2000 pixels fit the shorter side (600): 600 × 400 points at the bottom-left.
        {"fitted", imageSettings(large, Positions::bottomleft, 100), {0, 400, 600, 800}},
        {"half size", imageSettings(large, Positions::bottomleft, 50), {0, 600, 300, 800}},
        {"never enlarged", imageSettings(small, Positions::bottomleft, 100), {0, 700, 100, 800}},
        // Placements the image drawer does not know put it at the bottom-left corner too.
        {"unknown", imageSettings(small, Positions::diagonal, 100), {0, 700, 100, 800}},
        // The distances to the edges are the only margins; in the middle they move it right, up.
        {"distances",
         imageSettings(small, Positions::topright, 100, WMAngles::d0, 20, 30),
         {480, 30, 580, 130}},
        {"middle",
         imageSettings(small, Positions::middle, 100, WMAngles::d0, 20, 30),
         {270, 320, 370, 420}},
        {"top centre", imageSettings(small, Positions::topcenter, 100), {250, 0, 350, 100}},
        // Turned: its footprint touches the edges. Auto never turns an image.
        {"turned",
         imageSettings(wide, Positions::bottomright, 100, WMAngles::dp30),
         {600 - bw, 800 - bh, 600, 800}},
        {"auto",
         imageSettings(wide, Positions::bottomright, 100, WMAngles::auto_),
         {400, 700, 600, 800}},
    };
    for (const auto& [what, settings, box] : cases) {
        SCOPED_TRACE(what);
        test::Raster raster = writeAndRender(dir, page, settings);
        expectBox(redBox(raster), box);
        if (std::string(what) == "turned") {
            // Positive angles turn counter-clockwise: the image's right corner touches the right
            // edge 100 points up and its bottom corner the bottom edge 173 points left of the
            // right edge, while the footprint's own bottom-right corner stays empty.
            EXPECT_TRUE(isRed(raster.at(597, 700)));
            EXPECT_TRUE(isRed(raster.at(static_cast<int>(600 - bw / 2 - 61.6), 797)));
            EXPECT_FALSE(isRed(raster.at(597, 797)));
        }
    }
    // The opacity is the image's alpha.
    test::Raster faint = writeAndRender(
        dir, page, imageSettings(small, Positions::bottomleft, 100, WMAngles::d0, 0, 0, 50));
    EXPECT_TRUE(faint.at(50, 750).near({255, 128, 128}, 12));
}

// A one-page PDF whose crop box starts at (50, 60): a blue band and a word inside it.
std::string logoPdf() {
    FixturePage logo;
    logo.media = gfx::Rect{0, 0, 300, 200};
    logo.crop = gfx::Rect{50, 60, 200, 100};
    logo.content =
        test::fillRectOp({50, 60, 200, 100}, {0, 0, 1}) + test::textOp(70, 100, 24, "LOGOTEXT");
    return test::makePdf({logo});
}

PointBox blueBox(const test::Raster& raster) {
    test::Ink blue =
        test::inkOf(raster, [](const test::Rgb& c) { return c.b > 180 && c.r < 80 && c.g < 80; });
    return {double(blue.minX), double(blue.minY), blue.maxX + 1.0, blue.maxY + 1.0};
}

TEST(ImageWatermark, APdfPageIsDrawnAsVectorsStoredOnceAndPlacedByItsCropBox) {
    test::TempDir dir;
    std::filesystem::path logo = dir / "logo.pdf";
    test::writeFile(logo, logoPdf());
    test::WatermarkJob job = test::makeWatermarkJob(test::blankPages(3, 600, 800));
    job.model->imageConf = imageSettings(logo, Positions::bottomleft, 100);
    std::filesystem::path out = dir / "out.pdf";
    ASSERT_TRUE(job.write(out));
    ASSERT_TRUE(job.holder->imagePDFPage.has_value());
    ASSERT_FALSE(job.holder->imageImage.isNull()); // both are kept; the PDF page wins
    // Vectors: the logo's word is text on every page, and no picture was embedded.
    EXPECT_EQ(test::occurrences(test::pdftotext(out), "LOGOTEXT"), 3u);
    EXPECT_TRUE(test::pdfImages(out).empty());
    // Stored once: one form in the file has the logo's crop box as its bounding box.
    QPDF written;
    written.processFile(out.string().c_str());
    int forms = 0;
    for (auto& object : written.getAllObjects()) {
        if (object.isStream() && object.getDict().getKey("/Subtype").isNameAndEquals("/Form") &&
            object.getDict().getKey("/BBox").unparse() == "[ 50 60 250 160 ]") {
            ++forms;
        }
    }
    EXPECT_EQ(forms, 1);
    // The crop box's corner lands at the placement: the band covers (0, 0)–(200, 100).
    for (int page = 1; page <= 3; ++page) {
        expectBox(blueBox(test::renderCropBox(out, page, 72)), {0, 700, 200, 800});
    }
    // Scaled, it keeps its own size times the scale.
    expectBox(blueBox(writeAndRender(dir, test::blankPages(1, 600, 800),
                                     imageSettings(logo, Positions::topright, 150))),
              {300, 0, 600, 150});
}

TEST(ImageWatermark, NothingIsDrawnWithoutSettingsOrSource) {
    auto bitmap = gfx::BitmapContext::create(100, 100);
    const gfx::Image red = test::solidImage(10, 10, {1, 0, 0, 1});
    const gfx::Rect rect{0, 0, 100, 100};
    FenPDFImage::drawPDFImageWatermark(rect, red, std::nullopt, std::nullopt, *bitmap, 0);
    ImageSettings settings;
    settings.position = Positions::bottomleft;
    FenPDFImage::drawPDFImageWatermark(rect, gfx::Image(), std::nullopt, settings, *bitmap, 0);
    EXPECT_EQ(bitmap->makeImage().pixel(5, 95), 0u);
    // The graphics state is the caller's again afterwards.
    settings.sizeopacity.opacity = 40;
    FenPDFImage::drawPDFImageWatermark(rect, red, std::nullopt, settings, *bitmap, 0);
    EXPECT_NE(bitmap->makeImage().pixel(5, 95), 0u);
    EXPECT_EQ(bitmap->alpha(), 1.0);
    EXPECT_EQ(bitmap->getCTM(), gfx::BitmapContext::create(100, 100)->getCTM());
}

} // namespace
} // namespace fen

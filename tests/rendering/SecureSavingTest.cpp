#include "rendering/FenPage.h"

#include "platform/image/ImageCodec.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

#include <atomic>

namespace fen {
namespace {

using test::FixturePage;

// Turns secure saving on for a job on `bytes`.
void flatten(test::WatermarkJob& job, const std::string& bytes) {
    job.holder->pdfDoc = std::make_shared<pdf::Document>();
    EXPECT_EQ(job.holder->pdfDoc->openData(bytes), pdf::OpenResult::opened);
    job.holder->isSecureSaving = true;
}

// A job on `bytes` with a text watermark, an image watermark kept 20 and 30 points from the
// top-right edges, and a stamp; secure saving on or off.
test::WatermarkJob watermarkedJob(const std::string& bytes, const test::TempDir& dir, bool secure) {
    test::WatermarkJob job = test::makeWatermarkJob(bytes);
    job.model->textConf = test::textSettings(Positions::topleft, 36, {1, 0, 0, 1});
    job.model->selectedTextItem = TextListItem{"1", "CONFIDENTIAL"};
    job.model->imageConf = ImageSettings{
        .imageURL = Url::fileURL(test::writeSolidPng(dir / "square.png", 100, 100, {0, 0.6, 0, 1})),
        .position = Positions::topright,
        .distanceToEdge = {30, 20}};
    job.model->stampConf = StampSettings{.stampTextColor = StampTextColor{"paid", {0, 0, 1, 0.8}},
                                         .position = Positions::bottomright,
                                         .sizeopacity = {40, 80}};
    if (secure) {
        flatten(job, bytes);
    }
    return job;
}

// Page `page` shown at 144 dpi by poppler's cairo renderer, the rasteriser that flattened pages
// are made with: glyph edges then come out alike in both files.
test::Raster cairoRender(const std::filesystem::path& pdf, int page) {
    const std::filesystem::path base = pdf.parent_path() / ("render-" + std::to_string(page));
    test::CommandResult r =
        test::runCommand({"pdftocairo", "-png", "-cropbox", "-r", "144", "-f", std::to_string(page),
                          "-l", std::to_string(page), "-singlefile", pdf.string(), base.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Opaque: the renderer paints white paper.
    std::optional<gfx::Image> image = gfx::ImageCodec::decodeFile(base.string() + ".png");
    return image ? test::rasterOf(*image) : test::Raster{};
}

// The share of 4 × 4 pixel blocks whose mean colours differ by more than `tolerance` in some
// channel: glyph edges smoothed by another rasteriser do not count, a moved or resized mark does.
double differingShare(const test::Raster& a, const test::Raster& b, int tolerance) {
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    if (a.width != b.width || a.height != b.height || a.width < 4 || a.height < 4) {
        return 1;
    }
    std::size_t blocks = 0, differing = 0;
    for (int by = 0; by + 4 <= a.height; by += 4) {
        for (int bx = 0; bx + 4 <= a.width; bx += 4) {
            int sa[3] = {0, 0, 0}, sb[3] = {0, 0, 0};
            for (int y = by; y < by + 4; ++y) {
                for (int x = bx; x < bx + 4; ++x) {
                    test::Rgb pa = a.at(x, y), pb = b.at(x, y);
                    sa[0] += pa.r, sa[1] += pa.g, sa[2] += pa.b;
                    sb[0] += pb.r, sb[1] += pb.g, sb[2] += pb.b;
                }
            }
            ++blocks;
            for (int c = 0; c < 3; ++c) {
                if (std::abs(sa[c] - sb[c]) > 16 * tolerance) {
                    ++differing;
                    break;
                }
            }
        }
    }
    return double(differing) / double(blocks);
}

TEST(SecureSaving, FlattensEveryPageIntoOneImageThatLooksLikeTheNormalExport) {
    test::TempDir dir;
    std::string bytes = test::makeCairoTextPdf(2);
    bytes = test::addLink(bytes, 0, {72, 700, 200, 20}, "https://example.org/");
    test::WatermarkJob normal = watermarkedJob(bytes, dir, false);
    ASSERT_TRUE(normal.write(dir / "normal.pdf"));
    test::WatermarkJob secure = watermarkedJob(bytes, dir, true);
    ASSERT_TRUE(secure.write(dir / "secure.pdf"));
    const std::string out = (dir / "secure.pdf").string();
    EXPECT_TRUE(test::qpdfCheck(out));
    EXPECT_TRUE(test::pdfFonts(out).empty());
    std::vector<test::PdfImageRow> images = test::pdfImages(out);
    ASSERT_EQ(images.size(), 2u);
    for (std::size_t i = 0; i < images.size(); ++i) {
        EXPECT_EQ(images[i].page, static_cast<int>(i) + 1);
        EXPECT_EQ(images[i].type, "image");
        EXPECT_EQ(images[i].width, 1224); // twice the 612 × 792 media box
        EXPECT_EQ(images[i].height, 1584);
    }
    EXPECT_EQ(test::pdftotext(dir / "secure.pdf").find_first_not_of(" \n\f"), std::string::npos);
    // The same picture as the normal export at 2 px/pt: the watermarks keep their point sizes
    // and margins.
    for (int page = 1; page <= 2; ++page) {
        test::Raster a = cairoRender(dir / "normal.pdf", page);
        test::Raster b = cairoRender(dir / "secure.pdf", page);
        EXPECT_LT(differingShare(a, b, 32), 0.002) << "page " << page;
        test::Ink green =
            test::inkOf(b, [](const test::Rgb& c) { return c.g > 100 && c.r < 60 && c.b < 60; });
        EXPECT_NEAR(green.maxX + 1, 2 * (612 - 20), 3);
        EXPECT_NEAR(green.minY, 2 * 30, 3);
        EXPECT_NEAR(green.maxX - green.minX + 1, 200, 3);
    }
    // Links survive; boxes and pages stay.
    std::vector<test::PageFacts> before = test::pageFacts(bytes);
    std::vector<test::PageFacts> after = test::pageFacts(test::readFile(dir / "secure.pdf"));
    ASSERT_EQ(after.size(), 2u);
    ASSERT_EQ(after[0].annotations.size(), 1u);
    EXPECT_EQ(after[0].annotations[0].rfind("/Link", 0), 0u);
    EXPECT_EQ(after[0].media, before[0].media);
    EXPECT_EQ(after[0].crop, before[0].crop);
}

TEST(SecureSaving, TheCropBoxContentStaysInItsPlaceWithinTheMediaBox) {
    test::TempDir dir;
    FixturePage page;
    page.media = gfx::Rect{0, 0, 612, 792};
    page.crop = gfx::Rect{72, 100, 400, 500};
    page.content = test::fillRectOp({150, 200, 100, 50}, {0, 0, 1}) +
                   test::fillRectOp({0, 0, 60, 60}, {1, 0, 0}); // outside the crop box
    const std::string bytes =
        test::addSquareAnnotation(test::makePdf({page}), 0, {300, 300, 50, 50}, {0, 1, 0});
    test::WatermarkJob plain = test::makeWatermarkJob(bytes);
    ASSERT_TRUE(plain.write(dir / "plain.pdf"));
    test::WatermarkJob flat = test::makeWatermarkJob(bytes);
    flatten(flat, bytes);
    ASSERT_TRUE(flat.write(dir / "flat.pdf"));
    auto blue = [](const test::Rgb& c) { return c.b > 180 && c.r < 80 && c.g < 80; };
    test::Ink expected = test::inkOf(test::renderCropBox(dir / "plain.pdf", 1, 72), blue);
    test::Ink got = test::inkOf(test::renderCropBox(dir / "flat.pdf", 1, 72), blue);
    ASSERT_GT(expected.count, 0);
    EXPECT_NEAR(got.minX, expected.minX, 1);
    EXPECT_NEAR(got.maxX, expected.maxX, 1);
    EXPECT_NEAR(got.minY, expected.minY, 1);
    EXPECT_NEAR(got.maxY, expected.maxY, 1);
    // The raster covers the media box; what lies outside the crop box is not drawn.
    std::vector<test::PdfImageRow> images = test::pdfImages(dir / "flat.pdf");
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(std::pair(images[0].width, images[0].height), std::pair(1224, 1584));
    test::Raster media = test::renderCropBox(dir / "flat.pdf", 1, 72);
    EXPECT_EQ(test::inkOf(media, test::isRed).count, 0);
    // Annotations other than links are not part of the flattened page and are removed.
    EXPECT_TRUE(test::pageFacts(test::readFile(dir / "flat.pdf"))[0].annotations.empty());
    EXPECT_EQ(test::inkOf(media, [](const test::Rgb& c) { return c.g > 180 && c.r < 80; }).count,
              0);
}

TEST(SecureSaving, WithoutASourceDocumentThePageIsEmptyAndAStoppedWriteLeavesNoFile) {
    test::TempDir dir;
    const std::string bytes = test::makeCairoTextPdf(12);
    test::WatermarkJob missing = test::makeWatermarkJob(bytes);
    missing.holder->isSecureSaving = true; // no pdfDoc
    ASSERT_TRUE(missing.write(dir / "empty.pdf"));
    EXPECT_TRUE(test::pdfImages(dir / "empty.pdf").empty());
    EXPECT_TRUE(test::qpdfCheck(dir / "empty.pdf"));
    test::WatermarkJob job = watermarkedJob(bytes, dir, true);
    job.holder->updateImageObject(job.model->imageConf);
    job.holder->updateStampObject(job.model->stampConf);
    std::atomic<bool> stop{false};
    int pagesEnded = 0;
    bool written =
        job.document->write((dir / "stopped.pdf").string(), {},
                            [&](pdf::WriteStage stage, int) {
                                if (stage == pdf::WriteStage::pageEnd && ++pagesEnded == 3) {
                                    stop = true;
                                }
                            },
                            &stop);
    EXPECT_FALSE(written);
    EXPECT_FALSE(std::filesystem::exists(dir / "stopped.pdf"));
}

TEST(SecureSaving, APageTooLargeForTheBitmapIsRasterisedAtTheLargestScaleThatFits) {
    // Ordinary pages keep two pixels per point; a larger one gets the scale whose bitmap fits.
    EXPECT_EQ(FenPage::flatteningScale(612, 792), FenPage::secureSavingScale);
    EXPECT_DOUBLE_EQ(FenPage::flatteningScale(1000000, 1000000), 8192.0 / 1000000);
    // A long side, across or down, is held to the bitmap's side limit.
    EXPECT_DOUBLE_EQ(FenPage::flatteningScale(100000, 10), 32767.0 / 100000);
    EXPECT_DOUBLE_EQ(FenPage::flatteningScale(10, 100000), 32767.0 / 100000);

    test::TempDir dir;
    FixturePage page;
    page.media = gfx::Rect{0, 0, 1000000, 1000000};
    // Red over the lower-left quarter of the page.
    page.content = test::fillRectOp({0, 0, 500000, 500000}, {1, 0, 0});
    const std::string bytes = test::makePdf({page});
    test::WatermarkJob flat = test::makeWatermarkJob(bytes);
    flatten(flat, bytes);
    ASSERT_TRUE(flat.write(dir / "flat.pdf"));
    EXPECT_TRUE(test::qpdfCheck(dir / "flat.pdf"));
    std::vector<test::PdfImageRow> images = test::pdfImages(dir / "flat.pdf");
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(std::pair(images[0].width, images[0].height), std::pair(8192, 8192));
    // Shown at 100 × 100 pixels: the content is there, in its place.
    test::Raster raster = test::renderCropBox(dir / "flat.pdf", 1, 72.0 * 100 / 1000000);
    ASSERT_EQ(raster.width, 100);
    test::Ink red = test::inkOf(raster, test::isRed);
    EXPECT_NEAR(red.count, 2500, 150);
    EXPECT_NEAR(red.minX, 0, 1);
    EXPECT_NEAR(red.maxX, 49, 1);
    EXPECT_NEAR(red.minY, 50, 1);
}

} // namespace
} // namespace fen

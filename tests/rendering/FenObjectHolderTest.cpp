#include "rendering/FenObjectHolder.h"

#include "platform/image/ImageCodec.h"
#include "platform/pdf/PdfMarker.h"
#include "platform/text/AttributedString.h"
#include "rendering/DrawingHelpers.h"
#include "rendering/FontResolution.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

std::string pngBytes(int width, int height) {
    return *gfx::ImageCodec::encodePNG(test::solidImage(width, height, {1, 0, 0, 1}));
}

ImageSettings imageSettings(const std::filesystem::path& file) {
    return {.imageURL = Url::fileURL(file)};
}

TEST(FenObjectHolder, ReadsAnImageFileOnlyWhenTheChosenFileChanges) {
    test::TempDir dir;
    test::writeFile(dir / "a.png", pngBytes(30, 20));
    FenObjectHolder holder;
    holder.updateImageObject(imageSettings(dir / "a.png"));
    ASSERT_FALSE(holder.imageImage.isNull());
    EXPECT_EQ(holder.imageImage.width(), 30);
    EXPECT_FALSE(holder.imagePDFPage);
    EXPECT_EQ(holder.imageURL, Url::fileURL(dir / "a.png"));
    // The same file again is not read, even though its contents changed.
    test::writeFile(dir / "a.png", pngBytes(40, 10));
    holder.updateImageObject(imageSettings(dir / "a.png"));
    EXPECT_EQ(holder.imageImage.width(), 30);
    // Removing the image watermark forgets the file; choosing it again reads it again.
    holder.updateImageObject(std::nullopt);
    EXPECT_TRUE(holder.imageImage.isNull());
    EXPECT_FALSE(holder.imageURL);
    holder.updateImageObject(imageSettings(dir / "a.png"));
    EXPECT_EQ(holder.imageImage.width(), 40);
    // Settings without a file clear it too.
    holder.updateImageObject(ImageSettings{});
    EXPECT_TRUE(holder.imageImage.isNull());
    EXPECT_FALSE(holder.imageURL);
}

TEST(FenObjectHolder, APdfFileByItsMarkerInTheFirstKilobyteGivesItsFirstPageAsVectorsAndBitmap) {
    // A small picture, padding, then a PDF: the marker at offset 1020 ends at byte 1024 and makes
    // the file a PDF file; at 1021 it does not.
    const std::string png = pngBytes(30, 20);
    ASSERT_LT(png.size(), 1000u);
    const std::string pdf = test::blankPages(1, 100, 50);
    auto withMarkerAt = [&](std::size_t offset) {
        return png + std::string(offset - png.size(), ' ') + pdf;
    };
    test::TempDir dir;
    test::writeFile(dir / "pdf-at-1020", withMarkerAt(1020));
    FenObjectHolder holder;
    holder.updateImageObject(imageSettings(dir / "pdf-at-1020"));
    ASSERT_TRUE(holder.imagePDFPage);
    EXPECT_EQ(holder.imagePDFPage->cropBox(), (gfx::Rect{0, 0, 100, 50}));
    // Rendered at four pixels per point of the crop box.
    EXPECT_EQ(holder.imageImage.width(), 400);
    EXPECT_EQ(holder.imageImage.height(), 200);
    // At 1021 the same file is not taken for a PDF file, though it holds one: it goes to the
    // picture decoder, which makes nothing of it either.
    test::writeFile(dir / "pdf-at-1021", withMarkerAt(1021));
    holder.updateImageObject(imageSettings(dir / "pdf-at-1021"));
    EXPECT_FALSE(holder.imagePDFPage);
    EXPECT_TRUE(holder.imageImage.isNull());
    EXPECT_FALSE(holder.imageURL);
}

TEST(FenObjectHolder, FilesThatGiveNoPictureClearTheImageAndAreForgotten) {
    test::TempDir dir;
    test::writeFile(dir / "good.png", pngBytes(30, 20));
    test::writeFile(dir / "empty", "");
    test::writeFile(dir / "words.txt", "not a picture at all");
    test::writeFile(dir / "broken.pdf", "%PDF-1.7\n" + std::string(3000, '\x07'));
    for (const char* name : {"missing.png", "empty", "words.txt", "broken.pdf"}) {
        SCOPED_TRACE(name);
        FenObjectHolder holder;
        holder.updateImageObject(imageSettings(dir / "good.png"));
        ASSERT_FALSE(holder.imageImage.isNull());
        holder.updateImageObject(imageSettings(dir / name));
        EXPECT_TRUE(holder.imageImage.isNull());
        EXPECT_FALSE(holder.imagePDFPage);
        EXPECT_FALSE(holder.imageURL);
    }
    // A folder is no file either.
    FenObjectHolder holder;
    holder.updateImageObject(imageSettings(dir.path()));
    EXPECT_FALSE(holder.imageURL);
}

TEST(FenObjectHolder, PageNumberPreviewShowsPageOneOfToPage) {
    FenObjectHolder holder;
    auto settings =
        test::pageNumberSettings("#currentPage of #totalPages", Positions::topleft, 5, 12, 3);
    holder.updateOtherObject(settings);
    ASSERT_FALSE(holder.othePagenumberImage.isNull());
    text::AttributedString expected;
    expected.text = "1 of 12";
    expected.font = *resolvedFont("Helvetica Neue", "Regular", 100);
    gfx::Size size = expected.boundingSize({1000, 1000});
    EXPECT_EQ(holder.othePagenumberImage.width(), static_cast<int>(size.width));
    EXPECT_EQ(holder.othePagenumberImage.height(), static_cast<int>(size.height));
    settings.numberTextColor->stampText.reset();
    holder.updateOtherObject(settings);
    EXPECT_TRUE(holder.othePagenumberImage.isNull());
}

} // namespace
} // namespace fen

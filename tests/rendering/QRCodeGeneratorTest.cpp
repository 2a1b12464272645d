#include "rendering/QRCodeGenerator.h"

#include "export/FenFilesStorage.h"
#include "platform/graphics/BitmapContext.h"
#include "platform/image/ImageCodec.h"
#include "platform/qr/QRSymbol.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fen {
namespace {

// What zbarimg reads from a PNG file, without the line end; empty when it finds no code.
std::string zbarRead(const std::filesystem::path& png) {
    test::CommandResult r = test::runCommand({"zbarimg", "-q", "--raw", png.string()});
    std::string out = r.out;
    if (!out.empty() && out.back() == '\n') {
        out.pop_back();
    }
    return out;
}

// The picture laid on white, as paper shows it (zbarimg reads transparent pixels as black).
std::filesystem::path onWhite(const test::TempDir& dir, const gfx::Image& image) {
    auto bitmap = gfx::BitmapContext::create(image.width(), image.height());
    const gfx::Rect all{0, 0, double(image.width()), double(image.height())};
    bitmap->setFillColor({1, 1, 1, 1});
    bitmap->fillRect(all);
    bitmap->drawImage(image, all);
    std::filesystem::path path = dir / "code.png";
    EXPECT_TRUE(gfx::ImageCodec::writePNG(bitmap->makeImage(), path));
    return path;
}

TEST(QRCodeGenerator, AQuietZoneOfTwoModulesSurroundsASquareSymbol) {
    std::optional<qr::QRSymbol> symbol = qr::QRSymbol::encode("hello");
    ASSERT_TRUE(symbol.has_value());
    EXPECT_EQ(symbol->size(), 21);
    const int modules = 21 + 2 * QRCodeGenerator::quietZone;
    gfx::Image image = QRCodeGenerator::generateQRCodeImage("hello", 800, 800);
    ASSERT_FALSE(image.isNull());
    const double s = 800.0 / modules;
    EXPECT_EQ(image.width(), static_cast<int>(std::floor(modules * s)));
    EXPECT_EQ(image.height(), image.width());
    auto at = [&](double mx, double my) { return image.pixel(int(mx * s), int(my * s)); };
    EXPECT_EQ(at(1.5, 1.5), 0u);           // quiet zone: transparent
    EXPECT_EQ(at(2.5, 2.5), 0xFF000000u);  // finder pattern's corner: opaque black
    EXPECT_EQ(at(3.5, 3.5), 0u);           // its light ring
    EXPECT_EQ(at(modules - 1.5, 2.5), 0u); // right quiet zone
    EXPECT_EQ(at(modules - 2.5, 2.5), 0xFF000000u);
    // A size that is not square gives the largest square that fits.
    gfx::Image wide = QRCodeGenerator::generateQRCodeImage("hello", 800, 400);
    EXPECT_EQ(wide.height(), wide.width());
    EXPECT_EQ(wide.width(), static_cast<int>(std::floor(modules * (400.0 / modules))));
    // The tint paints the modules; the rounded ground fills behind them.
    const int darkX = int(2.5 * s), lightX = int(3.5 * s), y = int(2.5 * s);
    gfx::Image tinted = tintQRImage(image, {1, 0, 0, 1});
    ASSERT_EQ(tinted.width(), image.width());
    EXPECT_EQ(tinted.pixel(darkX, y), 0xFFFF0000u);
    EXPECT_EQ(tinted.pixel(lightX, int(3.5 * s)), 0u);
    gfx::Image finished = roundedBackgroundQRImage(tinted, {1, 1, 1, 1});
    ASSERT_EQ(finished.width(), image.width());
    EXPECT_EQ(finished.pixel(0, 0), 0u); // outside the rounded corner
    EXPECT_EQ(finished.pixel(finished.width() - 1, finished.height() - 1), 0u);
    EXPECT_EQ(finished.pixel(finished.width() / 2, 3), 0xFFFFFFFFu); // ground along the edge
    EXPECT_EQ(finished.pixel(darkX, y), 0xFFFF0000u);
    EXPECT_EQ(finished.pixel(lightX, int(3.5 * s)), 0xFFFFFFFFu);
}

TEST(QRCodeGenerator, BadInputGivesNoPicture) {
    EXPECT_TRUE(QRCodeGenerator::generateQRCodeImage("", 800, 800).isNull());
    EXPECT_TRUE(QRCodeGenerator::generateQRCodeImage("x", 0, 800).isNull());
    EXPECT_TRUE(QRCodeGenerator::generateQRCodeImage("x", 800, -1).isNull());
    EXPECT_TRUE(QRCodeGenerator::generateQRCodeImage("x", NAN, 800).isNull());
    EXPECT_TRUE(QRCodeGenerator::generateQRCodeImage("x", 1e9, 1e9).isNull());
    EXPECT_TRUE(QRCodeGenerator::generateQRCodeImage(std::string(8000, 'x'), 800, 800).isNull());
    EXPECT_TRUE(tintQRImage(gfx::Image(), {1, 0, 0, 1}).isNull());
    EXPECT_TRUE(roundedBackgroundQRImage(gfx::Image(), {1, 1, 1, 1}).isNull());
}

TEST(QRCodeGenerator, PicturesDecodeToTheirExactPayloadAlsoFinishedAndOnAPageAtThirtyPercent) {
    test::TempDir dir;
    for (const std::string& payload :
         {std::string("hello"),
          std::string("MECARD:N:M\xC3\xBCller,J\xC3\xBCrgen;TEL:+49 30 1234;EMAIL:j@example.org;;"),
          std::string(300, 'x') + "end"}) {
        gfx::Image image = QRCodeGenerator::generateQRCodeImage(payload, 800, 800);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(zbarRead(onWhite(dir, image)), payload);
    }
    const std::string payload = "https://example.org/r\xC3\xA9sum\xC3\xA9?q=1&x=\xE2\x82\xAC";
    gfx::Image finished = roundedBackgroundQRImage(
        tintQRImage(QRCodeGenerator::generateQRCodeImage(payload, 800, 800), {0.1, 0.2, 0.5, 1}),
        {1, 1, 0.9, 1});
    std::optional<Url> file = FenFilesStorage::writeQRCodePNG(finished);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->lastPathComponent(), "qrcode.png");
    std::optional<gfx::Image> read = gfx::ImageCodec::decodeFile(file->path());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(zbarRead(onWhite(dir, *read)), payload);
    // Placed as the image watermark of a page at 30 % opacity.
    test::WatermarkJob job = test::makeWatermarkJob(test::blankPages(1, 612, 792));
    job.model->imageConf = ImageSettings{file, Positions::middle, WMAngles::d0, {60, 30}};
    ASSERT_TRUE(job.write(dir / "page.pdf"));
    test::CommandResult png =
        test::runCommand({"pdftoppm", "-cropbox", "-r", "150", "-png", "-singlefile",
                          (dir / "page.pdf").string(), (dir / "page").string()});
    ASSERT_EQ(png.exitCode, 0);
    EXPECT_EQ(zbarRead(dir / "page.png"), payload);
    std::filesystem::remove_all(file->path().parent_path());
}

} // namespace
} // namespace fen

#include "platform/pdf/BitmapEncoding.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/pdf/Document.h"

#include "support/PdfFixtures.h"
#include "support/ScriptedPage.h"
#include "support/TestSupport.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

namespace fen::pdf {
namespace {

namespace fs = std::filesystem;
using fen::test::Rgb;
using fen::test::ScriptedPage;

// A picture of premultiplied ARGB words, row by row.
gfx::Image pictureOf(int width, int height, const std::vector<std::uint32_t>& words) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_surface_flush(s);
    for (int y = 0; y < height; ++y) {
        std::memcpy(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s),
                    words.data() + y * width, static_cast<size_t>(width) * 4);
    }
    cairo_surface_mark_dirty(s);
    return gfx::Image::adopt(s);
}

// A plane inflated and its "Up" rows undone: `columns` bytes a row.
std::vector<std::uint8_t> decoded(const std::string& flate, size_t columns, size_t rows) {
    std::vector<std::uint8_t> raw((columns + 1) * rows);
    uLongf size = raw.size();
    EXPECT_EQ(
        uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(flate.data()), flate.size()),
        Z_OK);
    EXPECT_EQ(size, raw.size());
    std::vector<std::uint8_t> plain(columns * rows);
    for (size_t y = 0; y < rows; ++y) {
        EXPECT_EQ(raw[y * (columns + 1)], 2); // the "Up" filter
        for (size_t x = 0; x < columns; ++x) {
            std::uint8_t above = y ? plain[(y - 1) * columns + x] : 0;
            plain[y * columns + x] =
                static_cast<std::uint8_t>(raw[y * (columns + 1) + 1 + x] + above);
        }
    }
    return plain;
}

TEST(PdfBitmapEncoding, PlainColourAndAlphaRowsThatDecodeBack) {
    // Opaque red, half-transparent green (premultiplied), transparent; then a quarter-opaque
    // grey, opaque white, opaque black.
    gfx::Image image = pictureOf(
        3, 2, {0xffff0000u, 0x80008000u, 0x00000000u, 0x40202020u, 0xffffffffu, 0xff000000u});
    auto encoding = BitmapEncoding::encode(image.data(), image.stride(), 3, 2);
    ASSERT_TRUE(encoding);
    EXPECT_EQ(encoding->width, 3);
    EXPECT_EQ(encoding->height, 2);
    EXPECT_EQ(decoded(encoding->color, 9, 2),
              (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 0, //
                                         128, 128, 128, 255, 255, 255, 0, 0, 0}));
    EXPECT_EQ(decoded(encoding->alpha, 3, 2),
              (std::vector<std::uint8_t>{255, 128, 0, 64, 255, 255}));

    // An opaque picture has no soft mask.
    gfx::Image opaque = pictureOf(2, 1, {0xff102030u, 0xff405060u});
    auto plain = BitmapEncoding::encode(opaque.data(), opaque.stride(), 2, 1);
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->alpha.empty());
    EXPECT_EQ(decoded(plain->color, 6, 1),
              (std::vector<std::uint8_t>{0x10, 0x20, 0x30, 0x40, 0x50, 0x60}));
    EXPECT_FALSE(BitmapEncoding::of(gfx::Image()));
}

// A 40 × 20 picture: the top half opaque red, the bottom half blue at half alpha.
gfx::Image halves() {
    std::vector<std::uint32_t> words(40 * 20);
    for (size_t i = 0; i < words.size(); ++i) {
        words[i] = i < 40 * 10 ? 0xffff0000u : 0x80000080u;
    }
    return pictureOf(40, 20, words);
}

TEST(PdfBitmapEncoding, AnImageWrittenIntoManyFilesIsCompressedOnceAndRightInEach) {
    const gfx::Image image = halves();
    const gfx::Rect rect{100, 100, 200, 100};
    const gfx::Rect page{0, 0, 400, 400};
    fen::test::TempDir dir;
    const std::uint64_t before = BitmapEncoding::encodedCount();
    for (const char* name : {"a.pdf", "b.pdf"}) {
        Document doc;
        ASSERT_EQ(doc.openData(fen::test::wordPages(2, 400, 400)), OpenResult::opened);
        ScriptedPage::install(doc, [&](ScriptedPage& p, Box box, gfx::Context& ctx) {
            p.drawContent(box, ctx);
            ctx.drawImage(image, rect);
        });
        const fs::path out = dir / name;
        ASSERT_TRUE(doc.write(out.string()));
        EXPECT_TRUE(fen::test::qpdfCheck(out)) << name;
        // Each file holds the picture and its soft mask once, for both pages.
        auto images = fen::test::pdfImages(out);
        ASSERT_EQ(images.size(), 4u) << name;
        for (const auto& row : images) {
            EXPECT_EQ(row.object, images[row.type == "image" ? 0 : 1].object);
            EXPECT_EQ(row.width, 40);
            EXPECT_EQ(row.height, 20);
        }
        EXPECT_EQ(images[1].type, "smask");
        for (int number : {1, 2}) {
            // Upright and in place: red above, blue at half alpha over the paper below.
            auto raster = fen::test::renderCropBox(out, number, 72);
            EXPECT_TRUE(raster.atUserPoint({200, 175}, page, 0).near({255, 0, 0})) << name;
            EXPECT_TRUE(raster.atUserPoint({200, 125}, page, 0).near({128, 128, 255})) << name;
            EXPECT_TRUE(raster.atUserPoint({90, 150}, page, 0).near({255, 255, 255})) << name;
            EXPECT_TRUE(raster.atUserPoint({200, 210}, page, 0).near({255, 255, 255})) << name;
        }
    }
    EXPECT_EQ(BitmapEncoding::encodedCount(), before + 1);

    // The same pixels made anew find the same encoding; other pixels get their own.
    auto first = BitmapEncoding::of(image);
    EXPECT_EQ(BitmapEncoding::of(halves()), first);
    EXPECT_EQ(BitmapEncoding::encodedCount(), before + 1);
    gfx::Image other = pictureOf(40, 20, std::vector<std::uint32_t>(800, 0xff00ff00u));
    EXPECT_NE(BitmapEncoding::of(other), first);
    EXPECT_EQ(BitmapEncoding::encodedCount(), before + 2);
}

TEST(PdfBitmapEncoding, AClippedImageIsDrawnByCairoWithinItsClip) {
    const gfx::Image image = halves();
    Document doc;
    ASSERT_EQ(doc.openData(fen::test::wordPages(1, 400, 400)), OpenResult::opened);
    ScriptedPage::install(doc, [&](ScriptedPage& p, Box box, gfx::Context& ctx) {
        p.drawContent(box, ctx);
        ctx.saveGState();
        ctx.clipToRect({100, 100, 100, 100}); // the left half of the picture
        ctx.drawImage(image, {100, 100, 200, 100});
        ctx.restoreGState();
    });
    fen::test::TempDir dir;
    ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
    EXPECT_TRUE(fen::test::qpdfCheck(dir / "out.pdf"));
    auto raster = fen::test::renderCropBox(dir / "out.pdf", 1, 72);
    const gfx::Rect page{0, 0, 400, 400};
    EXPECT_TRUE(raster.atUserPoint({150, 175}, page, 0).near({255, 0, 0}));
    EXPECT_TRUE(raster.atUserPoint({250, 175}, page, 0).near({255, 255, 255}));
}

} // namespace
} // namespace fen::pdf

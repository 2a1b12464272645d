#include "platform/pdf/BitmapEncoding.h"
#include "platform/pdf/RasterEncoder.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/pdf/Document.h"

#include "support/PdfFixtures.h"
#include "support/ScriptedPage.h"
#include "support/TestSupport.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <functional>

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

// A plane inflated and its PNG filters ("None", "Up" or "Paeth" on each row) undone, as a PDF
// reader does: `width` pixels a row.
std::vector<std::uint8_t> decoded(const PackedPlane& plane, size_t width, size_t rows) {
    const size_t bpp = static_cast<size_t>(plane.colors), columns = width * bpp;
    const size_t lead = plane.predicted ? 1 : 0;
    std::vector<std::uint8_t> raw((columns + lead) * rows);
    uLongf size = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(plane.flate.data()),
                         plane.flate.size()),
              Z_OK);
    EXPECT_EQ(size, raw.size());
    std::vector<std::uint8_t> plain(columns * rows);
    for (size_t y = 0; y < rows; ++y) {
        const std::uint8_t* in = raw.data() + y * (columns + lead);
        const int filter = plane.predicted ? *in++ : 0;
        EXPECT_TRUE(filter == 0 || filter == 2 || filter == 4) << filter;
        std::uint8_t* out = plain.data() + y * columns;
        for (size_t x = 0; x < columns; ++x) {
            const int a = x >= bpp ? out[x - bpp] : 0, b = y ? out[x - columns] : 0;
            const int c = x >= bpp && y ? out[x - columns - bpp] : 0;
            int predicted = 0;
            if (filter == 2) {
                predicted = b;
            } else if (filter == 4) {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                          pc = std::abs(p - c);
                predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            out[x] = static_cast<std::uint8_t>(in[x] + predicted);
        }
    }
    return plain;
}

// Colour and alpha planes decode back (their premultiplied colours undone) where the written
// picture is rendered below; an opaque picture has no soft mask.
TEST(PdfBitmapEncoding, AnOpaquePictureHasNoSoftMask) {
    gfx::Image opaque = pictureOf(2, 1, {0xff102030u, 0xff405060u});
    auto plain = BitmapEncoding::encode(opaque.data(), opaque.stride(), 2, 1);
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->alpha.flate.empty());
    EXPECT_EQ(decoded(plain->color, 2, 1),
              (std::vector<std::uint8_t>{0x10, 0x20, 0x30, 0x40, 0x50, 0x60}));
    EXPECT_FALSE(BitmapEncoding::of(gfx::Image()));
}

// Pixels made by `pixel(x, y, component)`, RGB unless one component.
std::vector<std::uint8_t> planeOf(int width, int height, int colors,
                                  const std::function<int(int, int, int)>& pixel) {
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < colors; ++c) {
                rows.push_back(static_cast<std::uint8_t>(pixel(x, y, c)));
            }
        }
    }
    return rows;
}

TEST(PdfBitmapEncoding, PlanesPackWithTheFilterThatSuitsThemAndDecodeBack) {
    // Sparse dots on white, like text on paper, pack best plain: a predictor would repeat each
    // dot in the row below. A smooth curved shading packs best predicted. Planes above 256 KB
    // (300 × 300 RGB) choose from sampled rows, smaller ones from the whole plane.
    auto dots = [](int x, int y, int c) {
        const unsigned h = static_cast<unsigned>(x * 7919 + y * 104729) * 2654435761u;
        return h % 61 == 0 ? static_cast<int>((h >> 8) + static_cast<unsigned>(c) * 85) % 256 : 255;
    };
    auto shading = [](int x, int y, int c) { return (x * x + y * y + 40 * c) / 64 % 256; };
    auto grey = [&](int x, int y, int) { return shading(x, y, 0); };
    struct Case {
        const char* name;
        int width, height, colors;
        bool mayBeGrey;
        std::function<int(int, int, int)> pixel;
        int packedColors;
        bool predicted;
    } cases[] = {
        {"dots, sampled", 300, 300, 3, true, dots, 3, false},
        {"dots, whole", 100, 60, 3, true, dots, 3, false},
        {"shading, sampled", 300, 300, 3, true, shading, 3, true},
        {"shading, whole", 100, 60, 3, true, shading, 3, true},
        {"grey shading", 300, 300, 3, true, grey, 1, true},
        {"grey shading kept RGB", 100, 60, 3, false, grey, 3, true},
        {"grey with one red pixel", 300, 300, 3, true,
         [&](int x, int y, int c) { return x == 299 && y == 299 && c == 0 ? 255 : grey(x, y, c); },
         3, true},
        {"one component", 100, 60, 1, false, grey, 1, true},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> rows = planeOf(c.width, c.height, c.colors, c.pixel);
        const std::vector<std::uint8_t> original = rows;
        auto plane = PackedPlane::pack(rows, c.width, c.height, c.colors, c.mayBeGrey);
        ASSERT_TRUE(plane) << c.name;
        EXPECT_EQ(plane->colors, c.packedColors) << c.name;
        EXPECT_EQ(plane->predicted, c.predicted) << c.name;
        EXPECT_EQ(plane->decodeParms(c.width).empty(), !c.predicted) << c.name;
        EXPECT_EQ(decoded(*plane, static_cast<size_t>(c.width), static_cast<size_t>(c.height)),
                  plane->colors == c.colors ? original : planeOf(c.width, c.height, 1, c.pixel))
            << c.name;
    }
    std::vector<std::uint8_t> few(10);
    EXPECT_FALSE(PackedPlane::pack(few, 2, 2, 3, true)); // fewer bytes than pixels
}

TEST(PdfBitmapEncoding, AFlattenedPictureIsOpaqueRgbOverWhiteOrGrey) {
    // Opaque red, blue at half alpha (premultiplied), transparent, opaque mid grey.
    const std::vector<std::uint32_t> colour{0xffff0000u, 0x80000080u, 0x00000000u, 0xff808080u};
    EncodedRaster raster =
        RasterEncoder::encode(reinterpret_cast<const unsigned char*>(colour.data()), 8, 2, 2);
    EXPECT_EQ(std::pair(raster.width, raster.height), std::pair(2, 2));
    EXPECT_EQ(raster.pixels.colors, 3);
    EXPECT_EQ(decoded(raster.pixels, 2, 2),
              (std::vector<std::uint8_t>{255, 0, 0, 127, 127, 255, //
                                         255, 255, 255, 128, 128, 128}));
    // Black at half alpha over white is grey, like the rest: one component.
    const std::vector<std::uint32_t> greys{0x80000000u, 0xffffffffu, 0x00000000u, 0xff101010u};
    raster = RasterEncoder::encode(reinterpret_cast<const unsigned char*>(greys.data()), 8, 2, 2);
    EXPECT_EQ(raster.pixels.colors, 1);
    EXPECT_EQ(decoded(raster.pixels, 2, 2), (std::vector<std::uint8_t>{127, 255, 255, 16}));
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
        // Upright and in place: red above, blue at half alpha over the paper below.
        auto raster = fen::test::renderCropBox(out, 2, 72);
        EXPECT_TRUE(raster.atUserPoint({200, 175}, page, 0).near({255, 0, 0})) << name;
        EXPECT_TRUE(raster.atUserPoint({200, 125}, page, 0).near({128, 128, 255})) << name;
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

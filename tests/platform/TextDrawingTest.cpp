#include "platform/graphics/BitmapContext.h"
#include "platform/image/ImageCodec.h"
#include "platform/text/AttributedString.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

using namespace fen;
using gfx::Color;
using gfx::Image;
using text::AttributedString;
using text::Font;

namespace {

AttributedString sample(double size, const std::string& words) {
    auto font = Font::named("Helvetica Neue", size);
    EXPECT_TRUE(font);
    return AttributedString{words, *font, Color{0, 0, 0, 1}, std::nullopt, 0};
}

// `s` drawn in a box of a y-down space as the text drawers do, on a PDF page written to
// text.pdf in `dir`, rendered back with pdftoppm at four pixels per point.
Image drawnOnPdf(const AttributedString& s, const gfx::Rect& box, gfx::Size page,
                 const test::TempDir& dir) {
    std::string path = (dir / "text.pdf").string();
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), page.width, page.height);
    cairo_t* cr = cairo_create(surface);
    {
        gfx::Context ctx(cr, page.height);
        ctx.concatCTM({1, 0, 0, -1, 0, page.height});
        s.draw(ctx, box);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    EXPECT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
    auto run = test::runCommand(
        {"pdftoppm", "-r", "288", "-png", "-singlefile", path, (dir / "page").string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    auto image = gfx::ImageCodec::decodeFile(dir / "page.png");
    EXPECT_TRUE(image);
    return image ? *image : Image();
}

// The strongest alpha of `s` drawn on a clear 300 × 100 bitmap through a context at alpha 0.5.
unsigned mostAlphaAtHalf(const AttributedString& s) {
    auto ctx = gfx::BitmapContext::create(300, 100);
    if (!ctx) {
        ADD_FAILURE() << "no bitmap";
        return 0;
    }
    ctx->concatCTM({1, 0, 0, -1, 0, 100});
    ctx->setAlpha(0.5);
    s.draw(*ctx, gfx::Rect{10, 10, 280, 80});
    Image image = ctx->makeImage();
    unsigned most = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 300; ++x) {
            most = std::max(most, image.pixel(x, y) >> 24);
        }
    }
    return most;
}

} // namespace

// Translucent text is painted as one layer: where glyphs touch or cross it is no darker than
// elsewhere, at once on a bitmap and through a group on a PDF (which paints glyph by glyph), the
// group written only where glyphs overlap.
TEST(TextDrawing, TranslucentTextIsNeverDarkerWhereGlyphsMeet) {
    const struct {
        const char* family;
        const char* words;
        std::optional<bool> group;
    } cases[] = {
        {"Helvetica Neue Bold", "WWW", {}}, // kerned so that the glyph boxes overlap
        {"Helvetica Neue Bold", "HIH", false},
        {"Helvetica Neue Bold", "O\u0338O\u0338", true}, // an overlay crosses its letter
        {"DejaVu Sans", "O\u0338O\u0338", true},
        {"Helvetica Neue", "O\u0338O\u0338", true}, // the overlay from another font: two runs
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.family) + ": " + c.words);
        auto font = Font::named(c.family, 60);
        ASSERT_TRUE(font);
        AttributedString s{c.words, *font, Color{0, 0, 0, 0.5}, std::nullopt, 0};
        EXPECT_NEAR(mostAlphaAtHalf(s), 64u, 1u); // 0.5 × 0.5
        Image image = drawnOnPdf(s, gfx::Rect{10, 10, 280, 80}, {300, 100}, dir);
        if (c.group) {
            // cairo writes a transparency group as a form XObject.
            EXPECT_EQ(test::readFile(dir / "text.pdf").find("/Subtype /Form") != std::string::npos,
                      *c.group);
        }
        unsigned darkest = 255;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                darkest = std::min(darkest, (image.pixel(x, y) >> 16) & 0xffu);
            }
        }
        EXPECT_NEAR(darkest, 128u, 2u); // half black over white paper
    }
}

// Where measured text lands against its drawn ink is checked on the watermark pages.
TEST(TextDrawing, MeasuringWrapsTruncatesTheLastLineAndNeverHyphenates) {
    AttributedString s = sample(17, "The quick brown fox jumps over the lazy dog again and again");
    gfx::Size single = s.size();
    gfx::Size wrapped = s.boundingSize({150, 0});
    EXPECT_LE(wrapped.width, 150);
    EXPECT_GT(wrapped.height, 3 * single.height - 0.01);
    gfx::Size cut = s.boundingSize({150, 2.5 * single.height});
    EXPECT_NEAR(cut.height, 2 * single.height, 0.01); // two lines, the second ends in "…"
    EXPECT_NEAR(cut.width, 150, 0.01);
    gfx::Size roomy = s.boundingSize({10000, 10000});
    EXPECT_NEAR(roomy.width, single.width, 0.01);
    EXPECT_NEAR(roomy.height, single.height, 0.01);
    EXPECT_EQ(AttributedString{}.boundingSize({100, 100}), (gfx::Size{0, 0}));

    // Long words break without a hyphen of any kind.
    AttributedString word = sample(30, "BACKGROUNDBACKGROUNDBACKGROUND");
    gfx::Size size = word.boundingSize({120, 0});
    EXPECT_LE(size.width, 120);
    test::TempDir dir;
    drawnOnPdf(word, {10, 10, size.width, size.height}, {200, 600}, dir);
    std::string shown = test::pdftotext(dir / "text.pdf");
    EXPECT_NE(shown.find("BACKG"), std::string::npos);
    for (const char* hyphen : {"-", "\xC2\xAD", "\xE2\x80\x90"}) {
        EXPECT_EQ(shown.find(hyphen), std::string::npos);
    }
}

// Text drawn in the box it measured is drawn whole under a scaled transform too, as the editor
// draws a 400 by 500 point page into whole pixels at any zoom, its two scales differing a little:
// no last word wrapped away, no ellipsis. Drawn in its box it is the same as drawn at its origin.
TEST(TextDrawing, AMeasuredBoxHoldsItsTextAtAnyScale) {
    const AttributedString s = sample(18, "Page 2 of 31");
    const gfx::Size size = s.boundingSize({400, 500});
    for (const double zoom : {0.25, 0.97404, 1.3775, 2.0, 3.3}) {
        SCOPED_TRACE(zoom);
        const double sx = std::round(400 * zoom) / 400;
        const double sy = std::round(500 * zoom) / 500;
        const auto drawn = [&](bool inBox) {
            const int width = static_cast<int>(std::ceil((size.width + 20) * sx));
            const int height = static_cast<int>(std::ceil((size.height + 20) * sy));
            auto ctx = gfx::BitmapContext::create(width, height);
            EXPECT_TRUE(ctx);
            if (!ctx) {
                return Image();
            }
            ctx->concatCTM({sx, 0, 0, -sy, 0, static_cast<double>(height)});
            if (inBox) {
                s.draw(*ctx, gfx::Rect{10, 10, size.width, size.height});
            } else {
                s.draw(*ctx, gfx::Point{10, 10});
            }
            return ctx->makeImage();
        };
        const Image boxed = drawn(true);
        const Image free = drawn(false);
        ASSERT_EQ(boxed.width(), free.width());
        int differing = 0;
        for (int y = 0; y < boxed.height(); ++y) {
            for (int x = 0; x < boxed.width(); ++x) {
                differing += boxed.pixel(x, y) != free.pixel(x, y);
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

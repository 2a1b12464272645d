#include "platform/graphics/BitmapContext.h"
#include "platform/image/ImageCodec.h"
#include "platform/text/AttributedString.h"
#include "platform/text/TextLine.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace fen;
using gfx::Color;
using gfx::Image;
using text::AttributedString;
using text::Font;
using text::TextLine;

namespace {

// The ink box of an image in pixels (row 0 at the top): the pixels `inked` says are marked.
struct Ink {
    int left = -1, right = -1, top = -1, bottom = -1;
    bool empty() const { return left < 0; }
    double width() const { return right - left + 1; }
    double height() const { return bottom - top + 1; }
};

Ink inkOf(const Image& image, const std::function<bool(std::uint32_t)>& inked) {
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!inked(image.pixel(x, y))) {
                continue;
            }
            if (ink.empty()) {
                ink = {x, x, y, y};
            }
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

bool covered(std::uint32_t argb) {
    return (argb >> 24) > 0;
}
// pdftoppm renders on white: anything visibly darker than white is ink.
bool darkened(std::uint32_t argb) {
    return ((argb >> 16) & 0xff) < 250 || ((argb >> 8) & 0xff) < 250 || (argb & 0xff) < 250;
}

AttributedString sample(double size, const std::string& words = "Watermark DRAFT Confidential") {
    auto font = Font::named("Helvetica Neue", size);
    EXPECT_TRUE(font);
    return AttributedString{words, *font, Color{0, 0, 0, 1}, std::nullopt, 0};
}

constexpr double pixelsPerPoint = 4;

// Draws the string in a rectangle of a y-down space as the text drawers do (flip, then draw in
// the box) on a bitmap at four pixels per point.
Image drawnOnBitmap(const AttributedString& s, const gfx::Rect& box, gfx::Size page) {
    auto ctx =
        gfx::BitmapContext::create(page.width * pixelsPerPoint, page.height * pixelsPerPoint);
    EXPECT_TRUE(ctx);
    ctx->scaleBy(pixelsPerPoint, pixelsPerPoint);
    ctx->concatCTM({1, 0, 0, -1, 0, page.height});
    gfx::pushContext(*ctx);
    s.draw(box);
    gfx::popContext();
    return ctx->makeImage();
}

// The same on a PDF page, rendered back with pdftoppm at four pixels per point.
Image drawnOnPdf(const AttributedString& s, const gfx::Rect& box, gfx::Size page,
                 const test::TempDir& dir, std::string* pdfPath = nullptr) {
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
    if (pdfPath) {
        *pdfPath = path;
    }
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

TEST(TextDrawing, MeasuredWidthMatchesDrawnInkOnBitmapAndPdf) {
    AttributedString s = sample(48);
    const gfx::Size page{800, 200};
    gfx::Size measured = s.boundingSize(page);
    TextLine line(s);
    gfx::Rect bounds = line.imageBounds();
    // One line: the measured box is the line's advance and the ink lies inside it.
    EXPECT_NEAR(measured.width, line.typographicWidth(), 0.01);
    EXPECT_NEAR(measured.height, line.ascent() + line.descent(), 0.01);
    EXPECT_GT(bounds.x, -0.01);
    EXPECT_LT(bounds.x + bounds.width, measured.width + 0.01);

    const gfx::Rect box{37, 50, measured.width, measured.height};
    test::TempDir dir;
    std::string pdf;
    struct Target {
        const char* name;
        Image image;
        bool (*inked)(std::uint32_t);
    } targets[] = {{"bitmap", drawnOnBitmap(s, box, page), covered},
                   {"pdf", drawnOnPdf(s, box, page, dir, &pdf), darkened}};
    for (const Target& target : targets) {
        Ink ink = inkOf(target.image, target.inked);
        ASSERT_FALSE(ink.empty()) << target.name;
        EXPECT_NEAR(ink.width() / pixelsPerPoint, bounds.width, 0.5) << target.name;
        EXPECT_NEAR(ink.left / pixelsPerPoint, box.x + bounds.x, 0.5) << target.name;
        EXPECT_NEAR(ink.height() / pixelsPerPoint, bounds.height, 0.5) << target.name;
    }
    EXPECT_NE(test::pdftotext(pdf).find("Watermark DRAFT Confidential"), std::string::npos);
}

TEST(TextDrawing, OutlinedTextHasTransparentGlyphInteriors) {
    auto font = Font::named("Helvetica Neue", 300);
    ASSERT_TRUE(font);
    const gfx::Size page{200, 400};
    AttributedString filled{"I", *font, Color{1, 0, 0, 1}, std::nullopt, 0};
    AttributedString outlined{"I", *font, std::nullopt, Color{1, 0, 0, 1}, 4};
    AttributedString both{"I", *font, Color{0, 0, 1, 1}, Color{1, 0, 0, 1}, -4};
    const gfx::Rect box{20, 20, 150, 360};
    Image a = drawnOnBitmap(filled, box, page);
    Image b = drawnOnBitmap(outlined, box, page);
    Image c = drawnOnBitmap(both, box, page);
    Ink stem = inkOf(a, covered);
    ASSERT_FALSE(stem.empty());
    const int cx = (stem.left + stem.right) / 2, cy = (stem.top + stem.bottom) / 2;
    EXPECT_EQ(a.pixel(cx, cy) >> 24, 255u);
    EXPECT_EQ(b.pixel(cx, cy) >> 24, 0u);                   // hollow
    EXPECT_EQ(b.pixel(stem.left, cy) >> 24, 255u);          // the outline itself
    EXPECT_EQ(c.pixel(cx, cy), 0xff0000ffu);                // filled blue inside
    EXPECT_EQ((c.pixel(stem.left, cy) >> 16) & 0xff, 255u); // red outline
    // Stroke width 4 % of 300 pt = 12 pt, half of it outside the glyph.
    Ink ring = inkOf(b, covered);
    EXPECT_NEAR((ring.width() - stem.width()) / pixelsPerPoint, 12, 1.0);

    // On a PDF the outline is paths: no text to extract, while filled text is extractable.
    test::TempDir dir;
    std::string pdf;
    drawnOnPdf(outlined, box, page, dir, &pdf);
    EXPECT_EQ(test::pdftotext(pdf).find('I'), std::string::npos);
}

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
        std::string path;
        Image image = drawnOnPdf(s, gfx::Rect{10, 10, 280, 80}, {300, 100}, dir, &path);
        if (c.group) {
            // cairo writes a transparency group as a form XObject.
            EXPECT_EQ(test::readFile(path).find("/Subtype /Form") != std::string::npos, *c.group);
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

    // The drawn text shows what was measured: two lines, the rest dropped. (The PDF's text
    // still carries the elided words behind the ellipsis, so this is checked on the ink.)
    test::TempDir dir;
    const gfx::Rect box{10, 10, cut.width, cut.height};
    Image pdf = drawnOnPdf(s, box, {300, 300}, dir);
    Image bitmap = drawnOnBitmap(s, box, {300, 300});
    Image full = drawnOnBitmap(s, {10, 10, wrapped.width, wrapped.height}, {300, 300});
    Ink onPdf = inkOf(pdf, darkened), onBitmap = inkOf(bitmap, covered);
    Ink all = inkOf(full, covered);
    ASSERT_FALSE(onPdf.empty());
    EXPECT_LT((onPdf.bottom + 1) / pixelsPerPoint, box.y + box.height + 0.5);
    EXPECT_NEAR(onPdf.bottom, onBitmap.bottom, 2);
    EXPECT_NEAR(onPdf.right, onBitmap.right, 2);
    EXPECT_GT((all.bottom + 1) / pixelsPerPoint, box.y + box.height + single.height);

    // Long words break without a hyphen of any kind.
    AttributedString word = sample(30, "BACKGROUNDBACKGROUNDBACKGROUND");
    gfx::Size size = word.boundingSize({120, 0});
    EXPECT_LE(size.width, 120);
    std::string path;
    drawnOnPdf(word, {10, 10, size.width, size.height}, {200, 600}, dir, &path);
    std::string shown = test::pdftotext(path);
    EXPECT_NE(shown.find("BACKG"), std::string::npos);
    for (const char* hyphen : {"-", "\xC2\xAD", "\xE2\x80\x90"}) {
        EXPECT_EQ(shown.find(hyphen), std::string::npos);
    }
}

TEST(TextDrawing, LinesDrawOnTheirBaselineInYUpSpaceAndStringsAtAPoint) {
    auto font = Font::named("Helvetica Neue Bold", 100);
    ASSERT_TRUE(font);
    TextLine line(AttributedString{"Hg", *font, Color{0, 0, 0, 1}, std::nullopt, 0});
    gfx::Rect b = line.imageBounds();
    EXPECT_LT(b.y, 0);             // "g" descends below the baseline
    EXPECT_GT(b.y + b.height, 60); // "H" rises well above it
    EXPECT_GT(line.ascent(), 60);
    EXPECT_GT(line.descent(), 10);
    // Place the line so that its ink starts at (40, 30), as the stamp does.
    auto ctx = gfx::BitmapContext::create(400, 300);
    ASSERT_TRUE(ctx);
    line.draw(*ctx, {40 - b.x, 30 - b.y});
    Ink ink = inkOf(ctx->makeImage(), covered);
    ASSERT_FALSE(ink.empty());
    EXPECT_NEAR(ink.left, 40, 1);
    EXPECT_NEAR(300 - (ink.bottom + 1), 30, 1); // bottom of the ink, y up
    EXPECT_NEAR(ink.width(), b.width, 2);       // partly covered pixels at either side
    EXPECT_NEAR(ink.height(), b.height, 2);
    // Upright: the "H" (left) is taller than the bottom of the "g" reaches.
    EXPECT_LT(ink.top, 300 - 30 - 60);

    // A string at a point of a y-down space: nothing without a current context.
    AttributedString s = sample(20, "Page 1 of 10");
    auto at = gfx::BitmapContext::create(200, 60);
    ASSERT_TRUE(at);
    at->concatCTM({1, 0, 0, -1, 0, 60});
    s.draw(gfx::Rect{0, 0, 100, 30});
    s.draw(gfx::Point{0, 0});
    EXPECT_TRUE(inkOf(at->makeImage(), covered).empty());
    gfx::pushContext(*at);
    s.draw(gfx::Point{5, 5});
    gfx::popContext();
    Ink placed = inkOf(at->makeImage(), covered);
    ASSERT_FALSE(placed.empty());
    EXPECT_GE(placed.left, 5);
    EXPECT_LE(placed.left, 8);
    EXPECT_GE(placed.top, 5);
    EXPECT_LT(placed.bottom, 5 + s.size().height + 1);
}

TEST(TextDrawing, ThreadsMeasureAlike) {
    AttributedString s = sample(33);
    gfx::Size here = s.boundingSize({500, 500});
    std::vector<gfx::Size> there(4);
    std::vector<std::thread> threads;
    for (auto& result : there) {
        threads.emplace_back([&s, &result] {
            for (int i = 0; i < 20; ++i) {
                result = s.boundingSize({500, 500});
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (const auto& size : there) {
        EXPECT_EQ(size, here);
    }
}

#include "platform/graphics/Context.h"
#include "platform/pdf/DeferredRaster.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/LayeredWriter.h"
#include "platform/pdf/PageImage.h"
#include "platform/pdf/RasterSpill.h"

#include "support/PdfFixtures.h"
#include "support/ScriptedPage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cairo.h>
#include <csignal>
#include <set>
#include <sys/resource.h>

namespace fen::pdf {
namespace {

namespace fs = std::filesystem;
using fen::test::fillRectOp;
using fen::test::FixturePage;
using fen::test::makePdf;
using fen::test::qpdfCheck;
using fen::test::Rgb;
using fen::test::ScriptedPage;

const Rgb red{255, 0, 0}, blue{0, 0, 255}, green{0, 255, 0}, white{255, 255, 255};

// Pages that draw their content, then fill `over` in blue in the drawers' page space (origin at the
// crop box's lower-left corner).
void drawOver(Document& doc, const gfx::Rect& over) {
    ScriptedPage::install(doc, [=](ScriptedPage& page, Box box, gfx::Context& ctx) {
        page.drawContent(box, ctx);
        ctx.setFillColor({0, 0, 1, 1});
        ctx.fillRect(over);
    });
}

std::vector<std::string> pageContents(const std::string& bytes) {
    QPDF pdf;
    pdf.processMemoryFile("c", bytes.data(), bytes.size());
    std::vector<std::string> contents;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        std::string s;
        Pl_String pipe("c", nullptr, s);
        page.pipeContents(&pipe);
        contents.push_back(s);
    }
    return contents;
}

// The objects of the XObjects each page names with `prefix`, and of the XObjects these name.
struct Forms {
    std::set<QPDFObjGen> outer, inner;
};
Forms formsOf(const fs::path& file, const std::string& prefix) {
    std::string bytes = fen::test::readFile(file);
    QPDF pdf;
    pdf.setSuppressWarnings(true); // forms without XObjects of their own
    pdf.processMemoryFile("out", bytes.data(), bytes.size());
    Forms forms;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        for (auto& [name, form] :
             page.getAttribute("/Resources", false).getKey("/XObject").getDictAsMap()) {
            if (name.rfind(prefix, 0) != 0) {
                continue;
            }
            forms.outer.insert(form.getObjGen());
            for (auto& [inner, object] :
                 form.getDict().getKey("/Resources").getKey("/XObject").getDictAsMap()) {
                forms.inner.insert(object.getObjGen());
            }
        }
    }
    return forms;
}

// A cairo text PDF with what a write must keep: a turned page with its own boxes, a link and a
// square annotation.
std::string richInput() {
    std::string bytes = fen::test::makeCairoTextPdf(3, 600, 800, 30);
    bytes = fen::test::editPdf(bytes, [](QPDF& pdf) {
        QPDFObjectHandle p = QPDFPageDocumentHelper(pdf).getAllPages().at(1).getObjectHandle();
        p.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
        p.replaceKey("/CropBox", QPDFObjectHandle::parse("[20 30 580 770]"));
        p.replaceKey("/ArtBox", QPDFObjectHandle::parse("[40 40 400 400]"));
    });
    bytes = fen::test::addLink(bytes, 0, {50, 700, 200, 20}, "https://example.org/");
    return fen::test::addSquareAnnotation(bytes, 2, {300, 300, 50, 50}, {0, 1, 0, 1});
}

// Pages that draw nothing keep the file as it was. (Under and over the content on turned pages and
// pages replaced by what they draw are checked by the watermark and flattened-page tests.)
TEST(PdfWrite, PagesThatDrawNothingKeepTheFileAsItWas) {
    fen::test::TempDir dir;
    const std::string input = richInput();
    fen::test::writeFile(dir / "in.pdf", input);
    const auto in = fen::test::pageFacts(input);
    Document doc;
    ASSERT_EQ(doc.openData(input), OpenResult::opened);
    ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
    EXPECT_TRUE(qpdfCheck(dir / "out.pdf"));
    std::string text = fen::test::pdftotext(dir / "in.pdf");
    EXPECT_NE(text.find("Page 3 line 30"), std::string::npos);
    EXPECT_EQ(fen::test::pdftotext(dir / "out.pdf"), text);
    std::string output = fen::test::readFile(dir / "out.pdf");
    EXPECT_EQ(fen::test::pageFacts(output), in);
    // Nothing placed: the content is byte for byte the input's.
    EXPECT_EQ(pageContents(output), pageContents(input));
    EXPECT_EQ(doc.data(), input);
}

// A page that tells the base draw whether it drew anything before it, as the watermark pages
// do: a PDF page image on odd pages before the content, a blue square after it.
class TellingPage : public Page {
public:
    TellingPage(Document& document, int index, const PageImage& image, bool tells)
        : Page(document, index), image_(image), tells_(tells) {}
    void draw(Box box, gfx::Context& ctx) override {
        const bool under = index() % 2 == 1;
        if (under) {
            ctx.saveGState();
            ctx.translateBy(-20, 200); // the picture's green square on 40..140 x 260..360
            image_.draw(ctx);
            ctx.restoreGState();
        }
        drawBase(box, ctx, tells_ ? under : true);
        ctx.setFillColor({0, 0, 1, 1});
        ctx.fillRect({300, 400, 80, 80});
    }

private:
    const PageImage& image_;
    bool tells_;
};

// A page that says it drew nothing before its content is written as one that does not say so.
TEST(PdfWrite, PageThatDrewNothingUnderItsContentIsWrittenAlike) {
    FixturePage logo;
    logo.media = gfx::Rect{0, 0, 300, 300};
    logo.content = fillRectOp({60, 60, 100, 100}, {0, 1, 0, 1});
    auto image = PageImage::fromData(makePdf({logo}));
    ASSERT_TRUE(image);
    const gfx::Rect media{0, 0, 600, 800};
    const int rotations[] = {0, 90, 0, 270};
    std::vector<FixturePage> pages;
    for (int rotation : rotations) {
        pages.push_back(fen::test::whiteBoxPage(media, {100, 0, 500, 800}, rotation));
    }
    const std::string input = makePdf(pages);
    fen::test::TempDir dir;
    std::vector<std::string> contents[2];
    for (bool tells : {false, true}) {
        Document doc;
        ASSERT_EQ(doc.openData(input), OpenResult::opened);
        doc.setPageFactory([&](Document& d, int index) {
            return std::make_unique<TellingPage>(d, index, *image, tells);
        });
        const fs::path out = dir / (tells ? "tells.pdf" : "plain.pdf");
        ASSERT_TRUE(doc.write(out.string()));
        EXPECT_TRUE(qpdfCheck(out));
        contents[tells] = pageContents(fen::test::readFile(out));
        for (int i = 0; i < 4; ++i) {
            const int rotation = rotations[i];
            auto raster = fen::test::renderCropBox(out, i + 1, 36);
            auto at = [&](double x, double y) {
                return raster.atUserPoint({x, y}, media, rotation);
            };
            EXPECT_TRUE(at(340, 440).near(blue)) << i;
            EXPECT_TRUE(at(50, 300).near(i % 2 == 1 ? green : white)) << i;
            EXPECT_TRUE(at(120, 300).near(white)) << i << ": the picture lies under the content";
        }
    }
    EXPECT_EQ(contents[0], contents[1]);
}

TEST(PdfWrite, OverLayerIgnoresStatesTheContentLeavesOpenOrClosesTooOften) {
    const std::string contents[] = {
        // Leaves a half scale open.
        "q 0.5 0 0 0.5 0 0 cm q " + fillRectOp({0, 0, 100, 100}, {1, 1, 1, 1}),
        // Restores more than it saved, then moves everything.
        "Q Q 1 0 0 1 200 200 cm " + fillRectOp({0, 0, 10, 10}, {0, 0, 0, 1}),
        // A "q" in a string and a comment, none left open.
        "BT /F1 12 Tf 10 10 Td (q q q) Tj ET % q q\n",
    };
    std::vector<FixturePage> pages;
    for (const auto& c : contents) {
        pages.push_back(FixturePage{.media = gfx::Rect{0, 0, 400, 400}, .content = c});
    }
    // cairo's own pages start with a flip outside any q.
    for (const std::string& input : {makePdf(pages), fen::test::makeCairoTextPdf(1, 400, 400, 3)}) {
        Document doc;
        ASSERT_EQ(doc.openData(input), OpenResult::opened);
        const gfx::Rect over{250, 20, 100, 60}, crop{0, 0, 400, 400};
        drawOver(doc, over);
        fen::test::TempDir dir;
        ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
        EXPECT_TRUE(qpdfCheck(dir / "out.pdf"));
        for (int i = 0; i < doc.pageCount(); ++i) {
            auto raster = fen::test::renderCropBox(dir / "out.pdf", i + 1, 36);
            EXPECT_TRUE(raster.atUserPoint({over.midX(), over.midY()}, crop, 0).near(blue)) << i;
            // Not at half scale, moved, or flipped.
            for (gfx::Point wrong : {gfx::Point{over.midX() / 2, over.midY() / 2},
                                     gfx::Point{over.midX(), 400 - over.midY()}}) {
                EXPECT_FALSE(raster.atUserPoint(wrong, crop, 0).near(blue)) << i;
            }
        }
    }
}

// The AES-256 method and the password's use on every exported file are checked by the export tests.
TEST(PdfWrite, TheInputsOldPasswordIsNeverKept) {
    fen::test::TempDir dir;
    std::string plain = makePdf({FixturePage{.content = fen::test::textOp(50, 700, 12, "Secret")}});
    Document doc;
    ASSERT_EQ(doc.openData(fen::test::encryptPdf(plain, "oldpw", "oldowner", true)),
              OpenResult::locked);
    ASSERT_TRUE(doc.unlock("oldpw"));
    ASSERT_TRUE(doc.write((dir / "open.pdf").string()));
    EXPECT_NE(fen::test::pdftotext(dir / "open.pdf").find("Secret"), std::string::npos);
    ASSERT_TRUE(doc.write((dir / "locked.pdf").string(), WriteOptions{std::string("PW")}));
    std::string locked = fen::test::readFile(dir / "locked.pdf");
    Document reopened;
    EXPECT_EQ(reopened.openData(locked, std::string("oldpw")), OpenResult::locked);
    EXPECT_EQ(reopened.openData(locked, std::string("PW")), OpenResult::opened);
}

// Refused targets are checked through the command line and the file store; here the disk fills up
// in the middle of the file: the partial file is removed, an older file at the target kept.
TEST(PdfWrite, AWriteThatFailsHalfWayLeavesTheOlderFile) {
    Document doc;
    ASSERT_EQ(doc.openData(fen::test::makeCairoTextPdf(30, 600, 800, 40)), OpenResult::opened);
    drawOver(doc, {10, 10, 50, 50});
    fen::test::TempDir dir;
    fen::test::writeFile(dir / "kept.pdf", "older file");
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    bool written = doc.write((dir / "kept.pdf").string());
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(fen::test::readFile(dir / "kept.pdf"), "older file");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// A stop set while the pages are drawn, merged or written ends the write there: nothing is told
// after it but the end, and the older file at the path stays, alone in its folder.
TEST(PdfWrite, AStopWhileDrawingMergingOrWritingEndsTheWriteThereAndLeavesTheOlderFile) {
    struct Case {
        const char* what;
        WriteStage stage;
        int at;
    };
    for (const Case& c :
         {Case{"drawing", WriteStage::pageEnd, 10},
          Case{"merging the first page", WriteStage::pageMerged, 0},
          Case{"merging", WriteStage::pageMerged, 15}, Case{"writing", WriteStage::fileWritten, 50},
          Case{"the whole file written", WriteStage::fileWritten, 100}}) {
        SCOPED_TRACE(c.what);
        Document doc;
        ASSERT_EQ(doc.openData(fen::test::makeCairoTextPdf(30, 600, 800, 40)), OpenResult::opened);
        drawOver(doc, {10, 10, 50, 50});
        fen::test::TempDir dir;
        fen::test::writeFile(dir / "kept.pdf", "older file");
        std::atomic<bool> stop{false};
        std::vector<WriteStage> afterStop;
        const auto progress = [&](WriteStage stage, int value) {
            if (stop) {
                afterStop.push_back(stage);
            } else if (stage == c.stage && value >= c.at) {
                stop = true;
            }
        };
        EXPECT_FALSE(doc.write((dir / "kept.pdf").string(), {}, progress, &stop));
        EXPECT_TRUE(stop);
        EXPECT_EQ(afterStop, std::vector<WriteStage>{WriteStage::end});
        EXPECT_TRUE(fen::test::readFile(dir / "kept.pdf") == "older file") << "replaced";
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    }
}

TEST(PdfWrite, APagePictureThatCannotBePaintedFailsTheWriteAndLeavesNoFile) {
    for (bool paints : {true, false}) {
        SCOPED_TRACE(paints);
        Document doc;
        ASSERT_EQ(doc.openData(makePdf({FixturePage{}, FixturePage{}})), OpenResult::opened);
        ScriptedPage::install(doc, [paints](ScriptedPage& page, Box, gfx::Context& ctx) {
            // The second page's picture fails as a flattened page's does without its bitmap.
            const bool fails = !paints && page.pageNumber() == 2;
            DeferredRaster::draw(ctx, {0, 0, 612, 792}, 61, 79, [fails](gfx::Context& bitmap) {
                bitmap.setFillColor({1, 0, 0, 1});
                bitmap.fillRect({0, 0, 61, 79});
                return !fails;
            });
        });
        fen::test::TempDir dir;
        EXPECT_EQ(doc.write((dir / "out.pdf").string()), paints);
        EXPECT_EQ(fs::exists(dir / "out.pdf"), paints);
    }
}

TEST(PdfWrite, NumbersAreWrittenInTheClassicFormWhateverTheLocale) {
    const double values[] = {612, 0.5, -50.25, 1e-9, -1e-9, 1.0 / 3, 1e20, std::nan(""), -INFINITY};
    const char* texts[] = {"612", "0.5", "-50.25", "0", "0", "0.333333", "100000000000000000000",
                           "0",   "0"};
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(LayeredWriter::number(values[i]), texts[i]) << values[i];
    }
}

TEST(PdfWrite, WhatThePagesDrawAlikeIsStoredOnceFontsAndGroupsIncluded) {
    // Enough pages that the recording is read in several chunks. Every page writes its number in a
    // font and paints the same half-transparent square as a group over its content.
    Document doc;
    ASSERT_EQ(doc.openData(fen::test::makeCairoTextPdf(700, 200, 200, 1)), OpenResult::opened);
    ScriptedPage::install(doc, [](ScriptedPage& page, Box box, gfx::Context& ctx) {
        page.drawContent(box, ctx);
        cairo_t* cr = ctx.cairo();
        cairo_save(cr);
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 12);
        // The context is y up: flip locally so the text stands upright.
        cairo_translate(cr, 20, 20);
        cairo_scale(cr, 1, -1);
        cairo_show_text(cr, ("Stamped " + std::to_string(page.pageNumber())).c_str());
        cairo_restore(cr);
        cairo_push_group(cr);
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_rectangle(cr, 40, 40, 60, 60);
        cairo_fill(cr);
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, 0.5);
    });
    fen::test::TempDir dir;
    const fs::path out = dir / "out.pdf";
    ASSERT_TRUE(doc.write(out.string()));
    EXPECT_TRUE(qpdfCheck(out));
    std::string text = fen::test::pdftotext(out);
    EXPECT_NE(text.find("Stamped 700"), std::string::npos);
    EXPECT_NE(text.find("Page 700 line 1"), std::string::npos);
    // pdffonts lists each font object once per file: the input's font and one for the stamps.
    std::set<std::string> fonts;
    for (const auto& row : fen::test::pdfFonts(out)) {
        if (row.find("DejaVu") != std::string::npos) {
            fonts.insert(row.substr(row.size() - 10));
        }
    }
    EXPECT_EQ(fonts.size(), 2u);
    // One layer per page (each writes its own number), one group for all of them.
    Forms layers = formsOf(out, "/FenLayer");
    EXPECT_EQ(layers.outer.size(), 700u);
    EXPECT_EQ(layers.inner.size(), 1u);
    for (int page : {1, 350, 700}) {
        // Half blue over white paper.
        EXPECT_TRUE(fen::test::renderCropBox(out, page, 72)
                        .atUserPoint({70, 70}, {0, 0, 200, 200}, 0)
                        .near({128, 128, 255}, 20))
            << page;
    }
}

TEST(PdfWrite, ContentDrawnInsideATransparencyLayerKeepsItsPlace) {
    gfx::Rect crop{10, 20, 300, 400};
    FixturePage page{.media = gfx::Rect{0, 0, 400, 500}, .crop = crop, .rotate = 90};
    page.content = fillRectOp({crop.x + 20, crop.y + 30, 40, 40}, {1, 0, 0, 1});
    Document doc;
    ASSERT_EQ(doc.openData(makePdf({page})), OpenResult::opened);
    ScriptedPage::install(doc, [](ScriptedPage& p, Box box, gfx::Context& ctx) {
        ctx.beginTransparencyLayer();
        p.drawContent(box, ctx);
        ctx.endTransparencyLayer();
    });
    fen::test::TempDir dir;
    ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
    EXPECT_TRUE(qpdfCheck(dir / "out.pdf"));
    auto raster = fen::test::renderCropBox(dir / "out.pdf", 1, 72);
    EXPECT_TRUE(raster.atUserPoint({crop.x + 40, crop.y + 50}, crop, 90).near(red));
    EXPECT_TRUE(raster.atUserPoint({crop.x + 150, crop.y + 200}, crop, 90).near(white));
}

TEST(PdfWrite, FlattenedPagesWaitForTheOutputOnDiskAndOnlyAFewAreHeldInMemory) {
    // Every page is one picture with a black band at a height of its own, so a picture read back
    // for the wrong page, or cut short, shows on the written page.
    constexpr int count = 48;
    Document doc;
    ASSERT_EQ(doc.openData(makePdf(std::vector<FixturePage>(count, {gfx::Rect{0, 0, 100, 100}}))),
              OpenResult::opened);
    ScriptedPage::install(doc, [](ScriptedPage& page, Box, gfx::Context& ctx) {
        const double band = 4.0 * (page.pageNumber() - 1);
        DeferredRaster::draw(ctx, {0, 0, 100, 100}, 200, 200, [band](gfx::Context& bitmap) {
            bitmap.setFillColor({0, 0, 0, 1});
            bitmap.fillRect({0, band, 200, 4});
            return true;
        });
    });
    fen::test::TempDir dir;
    PictureMemoryGauge gauge;
    WriteOptions options;
    options.pictureMemory = &gauge;
    ASSERT_TRUE(doc.write((dir / "out.pdf").string(), options));
    EXPECT_TRUE(qpdfCheck(dir / "out.pdf"));
    // At most one picture per worker (eight at most) is in memory at once, not every page's.
    EXPECT_GT(gauge.total(), 0u);
    EXPECT_LE(gauge.peak() * 4, gauge.total());
    EXPECT_EQ(gauge.now(), 0u);
    // Nothing of the spill is left beside the output.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    const std::vector<fen::test::Raster> drawn = fen::test::renderCropBoxes(dir / "out.pdf", 72);
    ASSERT_EQ(drawn.size(), size_t(count));
    for (int n = 1; n <= count; ++n) {
        int top = -1, bottom = -1;
        for (int y = 0; y < drawn[n - 1].height; ++y) {
            if (drawn[n - 1].at(50, y).near({0, 0, 0})) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        }
        EXPECT_NEAR(top, 100 - 2 * n, 1) << "page " << n;
        EXPECT_NEAR(bottom, 101 - 2 * n, 1) << "page " << n;
    }
}

TEST(PdfWrite, TheSpillHasNoNameInItsFolderWhetherOrNotTheFileSystemTakesUnnamedFiles) {
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed file" : "named file, its name removed");
        fen::test::TempDir dir;
        RasterSpill spill(dir.path(), unnamed);
        const std::string pages[] = {"first page", std::string(300000, 'x') + "second page"};
        const auto first = spill.append(pages[0]);
        const auto second = spill.append(pages[1]);
        ASSERT_TRUE(first && second);
        // Nothing of it is left, even if the process is killed now.
        EXPECT_TRUE(fs::is_empty(dir.path()));
        for (const auto& [extent, page] : {std::pair{*second, pages[1]}, {*first, pages[0]}}) {
            std::string back;
            Pl_String pipe("back", nullptr, back);
            spill.pipe(extent, pipe);
            EXPECT_EQ(back, page);
        }
    }
}

} // namespace
} // namespace fen::pdf

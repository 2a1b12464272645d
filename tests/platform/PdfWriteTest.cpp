#include "platform/graphics/Context.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/LayeredWriter.h"
#include "platform/pdf/Page.h"
#include "platform/pdf/PageImage.h"

#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <cairo.h>
#include <csignal>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace fen::pdf {
namespace {

namespace fs = std::filesystem;
using fen::test::fillRectOp;
using fen::test::FixturePage;
using fen::test::makePdf;
using fen::test::Rgb;
using fen::test::runCommand;

const Rgb red{255, 0, 0}, blue{0, 0, 255}, green{0, 255, 0}, white{255, 255, 255};

// A page that fills a red rectangle before the page content and a blue one after it, in the page
// space of the drawers (origin at the crop box's lower-left corner); optionally it never draws
// the content, or places a PDF page image between two rectangles.
class RectPage : public Page {
public:
    using Page::Page;
    void draw(Box box, gfx::Context& ctx) override {
        for (const auto& r : before) {
            ctx.setFillColor({1, 0, 0, 1});
            ctx.fillRect(r);
        }
        if (callBase) {
            Page::draw(box, ctx);
        }
        for (const auto& r : after) {
            ctx.setFillColor({0, 0, 1, 1});
            ctx.fillRect(r);
        }
        if (image) {
            ctx.saveGState();
            ctx.setAlpha(imageAlpha);
            ctx.translateBy(imageAt.x, imageAt.y);
            image->draw(ctx);
            ctx.restoreGState();
            for (const auto& r : afterImage) {
                ctx.setFillColor({1, 0, 0, 1});
                ctx.fillRect(r);
            }
        }
    }
    std::vector<gfx::Rect> before, after, afterImage;
    bool callBase = true;
    std::optional<PageImage> image;
    gfx::Point imageAt;
    double imageAlpha = 1;
};

// Makes every page of `doc` a RectPage set up by `setup`.
void useRectPages(Document& doc, const std::function<void(RectPage&)>& setup) {
    doc.setPageFactory([setup](Document& d, int index) {
        auto page = std::make_unique<RectPage>(d, index);
        setup(*page);
        return page;
    });
}

bool qpdfCheckPasses(const fs::path& file, const std::optional<std::string>& password = {}) {
    std::vector<std::string> argv{"qpdf", "--check"};
    if (password) {
        argv.push_back("--password=" + *password);
    }
    argv.push_back(file.string());
    auto r = runCommand(argv);
    return r.exitCode == 0 &&
           r.out.find("No syntax or stream encoding errors") != std::string::npos;
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

std::vector<std::string> directoryEntries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        names.push_back(e.path().filename().string());
    }
    return names;
}

// A cairo text PDF with what a write must keep: a turned page with its own boxes, a link and a
// square annotation.
std::string richInput() {
    std::string bytes = fen::test::makeCairoTextPdf(3, 600, 800, 30);
    bytes = fen::test::editPdf(bytes, [](QPDF& pdf) {
        auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
        QPDFObjectHandle p = pages.at(1).getObjectHandle();
        p.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
        p.replaceKey("/CropBox", QPDFObjectHandle::parse("[20 30 580 770]"));
        p.replaceKey("/BleedBox", QPDFObjectHandle::parse("[10 10 590 790]"));
        p.replaceKey("/TrimBox", QPDFObjectHandle::parse("[25 35 575 765]"));
        p.replaceKey("/ArtBox", QPDFObjectHandle::parse("[40 40 400 400]"));
    });
    bytes = fen::test::addLink(bytes, 0, {50, 700, 200, 20}, "https://example.org/");
    return fen::test::addSquareAnnotation(bytes, 2, {300, 300, 50, 50}, {0, 1, 0, 1});
}

TEST(PdfWrite, PagesThatDrawNothingKeepTheFileAsItWas) {
    fen::test::TempDir dir;
    std::string input = richInput();
    fen::test::writeFile(dir / "in.pdf", input);
    Document doc;
    ASSERT_EQ(doc.openData(input), OpenResult::opened);
    ASSERT_TRUE(doc.write((dir / "out.pdf").string()));

    EXPECT_TRUE(qpdfCheckPasses(dir / "out.pdf"));
    std::string text = fen::test::pdftotext(dir / "in.pdf");
    EXPECT_NE(text.find("Page 3 line 30"), std::string::npos);
    EXPECT_EQ(fen::test::pdftotext(dir / "out.pdf"), text);
    std::string output = fen::test::readFile(dir / "out.pdf");
    auto facts = fen::test::pageFacts(output);
    EXPECT_EQ(facts, fen::test::pageFacts(input));
    ASSERT_EQ(facts.size(), 3u);
    EXPECT_EQ(facts[1].rotate, "90");
    EXPECT_EQ(facts[0].annotations.size(), 1u);
    EXPECT_EQ(facts[2].annotations.size(), 1u);
    // Nothing placed: the content is byte for byte the input's.
    EXPECT_EQ(pageContents(output), pageContents(input));
    // The document itself is not changed by writing; a second write works as well.
    EXPECT_EQ(doc.data(), input);
    ASSERT_TRUE(doc.write((dir / "again.pdf").string()));
    EXPECT_EQ(fen::test::pdftotext(dir / "again.pdf"), text);
}

TEST(PdfWrite, DrawingBeforeTheContentLiesUnderItAndAfterItOver) {
    struct Geometry {
        gfx::Rect media;
        std::optional<gfx::Rect> crop;
    };
    const Geometry geometries[] = {
        {{0, 0, 600, 800}, {}},
        {{-50, -30, 600, 800}, {}},
        {{-50, -30, 600, 800}, gfx::Rect{-20, -10, 500, 700}},
    };
    for (const auto& geo : geometries) {
        gfx::Rect crop = geo.crop.value_or(geo.media);
        // An opaque white box over all of the crop box except a strip 100 points wide on the left.
        std::vector<FixturePage> pages;
        for (int rotation : {0, 90, 180, 270}) {
            pages.push_back(fen::test::whiteBoxPage(
                geo.media, {crop.x + 100, crop.y, crop.width - 100, crop.height}, rotation,
                geo.crop));
        }
        Document doc;
        ASSERT_EQ(doc.openData(makePdf(pages)), OpenResult::opened);
        const gfx::Rect hidden{150, 100, 80, 80}, inStrip{10, 300, 60, 60}, over{300, 400, 80, 80};
        useRectPages(doc, [&](RectPage& p) {
            p.before = {hidden, inStrip};
            p.after = {over};
        });
        fen::test::TempDir dir;
        ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
        EXPECT_TRUE(qpdfCheckPasses(dir / "out.pdf"));
        auto facts = fen::test::pageFacts(fen::test::readFile(dir / "out.pdf"));
        for (int i = 0; i < 4; ++i) {
            int rotation = i * 90;
            EXPECT_EQ(facts[static_cast<size_t>(i)].rotate, std::to_string(rotation));
            auto raster = fen::test::renderCropBox(dir / "out.pdf", i + 1, 36);
            ASSERT_GT(raster.width, 0);
            auto at = [&](const gfx::Rect& r) {
                return raster.atUserPoint({crop.x + r.midX(), crop.y + r.midY()}, crop, rotation);
            };
            std::string where = "media x " + std::to_string(geo.media.x) + " crop x " +
                                std::to_string(crop.x) + " rotation " + std::to_string(rotation);
            EXPECT_TRUE(at(hidden).near(white)) << where;
            EXPECT_TRUE(at(inStrip).near(red)) << where;
            EXPECT_TRUE(at(over).near(blue)) << where;
        }
        EXPECT_NE(fen::test::pdftotext(dir / "out.pdf").find("Box"), std::string::npos);
    }
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
        FixturePage p;
        p.media = gfx::Rect{0, 0, 400, 400};
        p.content = c;
        pages.push_back(p);
    }
    // cairo's own pages start with a flip outside any q.
    std::string cairoPages = fen::test::makeCairoTextPdf(1, 400, 400, 3);
    Document doc;
    ASSERT_EQ(doc.openData(makePdf(pages)), OpenResult::opened);
    Document cairoDoc;
    ASSERT_EQ(cairoDoc.openData(cairoPages), OpenResult::opened);
    const gfx::Rect over{250, 20, 100, 60};
    for (Document* d : {&doc, &cairoDoc}) {
        useRectPages(*d, [&](RectPage& p) { p.after = {over}; });
        fen::test::TempDir dir;
        ASSERT_TRUE(d->write((dir / "out.pdf").string()));
        EXPECT_TRUE(qpdfCheckPasses(dir / "out.pdf"));
        for (int i = 0; i < d->pageCount(); ++i) {
            auto raster = fen::test::renderCropBox(dir / "out.pdf", i + 1, 36);
            gfx::Rect crop{0, 0, 400, 400};
            EXPECT_TRUE(raster.atUserPoint({over.midX(), over.midY()}, crop, 0).near(blue)) << i;
            // Not at half scale, moved, or flipped.
            EXPECT_FALSE(raster.atUserPoint({over.midX() / 2, over.midY() / 2}, crop, 0).near(blue))
                << i;
            EXPECT_FALSE(raster.atUserPoint({over.midX(), 400 - over.midY()}, crop, 0).near(blue))
                << i;
        }
    }
}

TEST(PdfWrite, PageThatNeverDrawsItsContentIsReplacedAndKeepsOnlyLinks) {
    std::string input = richInput();
    Document doc;
    ASSERT_EQ(doc.openData(input), OpenResult::opened);
    useRectPages(doc, [](RectPage& p) {
        p.callBase = false;
        p.before = {{10, 10, 100, 100}};
    });
    fen::test::TempDir dir;
    ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
    EXPECT_TRUE(qpdfCheckPasses(dir / "out.pdf"));
    EXPECT_EQ(fen::test::pdftotext(dir / "out.pdf").find("line"), std::string::npos);
    auto in = fen::test::pageFacts(input);
    auto out = fen::test::pageFacts(fen::test::readFile(dir / "out.pdf"));
    ASSERT_EQ(out.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(out[i].media, in[i].media);
        EXPECT_EQ(out[i].crop, in[i].crop);
        EXPECT_EQ(out[i].rotate, in[i].rotate);
    }
    EXPECT_EQ(out[0].annotations, in[0].annotations); // the link
    EXPECT_TRUE(out[2].annotations.empty());          // the square is gone
    auto raster = fen::test::renderCropBox(dir / "out.pdf", 1, 36);
    EXPECT_TRUE(raster.atUserPoint({60, 60}, {0, 0, 600, 800}, 0).near(red));
}

TEST(PdfWrite, PdfPageImageIsStoredOnceAndPlacedInDrawingOrder) {
    // The picture: a green 100-point square and a word, its crop box not at the origin.
    FixturePage logo;
    logo.media = gfx::Rect{0, 0, 300, 300};
    logo.crop = gfx::Rect{50, 50, 120, 150};
    logo.content =
        fillRectOp({60, 60, 100, 100}, {0, 1, 0, 1}) + fen::test::textOp(60, 170, 14, "LOGOWORD");
    auto image = PageImage::fromData(makePdf({logo}));
    ASSERT_TRUE(image);

    std::string input = fen::test::makeCairoTextPdf(4, 400, 400, 2);
    Document doc;
    ASSERT_EQ(doc.openData(input), OpenResult::opened);
    useRectPages(doc, [&](RectPage& p) {
        p.after = {{0, 0, 300, 300}}; // blue under the picture
        p.image = image;
        // The square (60..160 in the picture's space) lands on 100..200 of the page.
        p.imageAt = {40, 40};
        p.imageAlpha = p.index() == 3 ? 0.5 : 1;
        p.afterImage = {{140, 140, 20, 20}}; // red over the picture
    });
    fen::test::TempDir dir;
    ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
    EXPECT_TRUE(qpdfCheckPasses(dir / "out.pdf"));

    std::string text = fen::test::pdftotext(dir / "out.pdf");
    size_t words = 0;
    for (size_t at = text.find("LOGOWORD"); at != std::string::npos;
         at = text.find("LOGOWORD", at + 1)) {
        ++words;
    }
    EXPECT_EQ(words, 4u);

    // One form for the picture, shared by every page.
    std::string output = fen::test::readFile(dir / "out.pdf");
    QPDF pdf;
    pdf.processMemoryFile("out", output.data(), output.size());
    std::set<QPDFObjGen> pictures;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        for (auto& [name, xobject] :
             page.getAttribute("/Resources", false).getKey("/XObject").getDictAsMap()) {
            if (name.rfind("/FenPdfImage", 0) == 0) {
                pictures.insert(xobject.getObjGen());
            }
        }
    }
    EXPECT_EQ(pictures.size(), 1u);

    gfx::Rect crop{0, 0, 400, 400};
    for (int i = 0; i < 4; ++i) {
        auto raster = fen::test::renderCropBox(dir / "out.pdf", i + 1, 36);
        Rgb picture = raster.atUserPoint({110, 110}, crop, 0);
        if (i == 3) {
            EXPECT_TRUE(picture.near({0, 128, 128}, 30)) << "half green over blue";
        } else {
            EXPECT_TRUE(picture.near(green)) << i;
        }
        EXPECT_TRUE(raster.atUserPoint({150, 150}, crop, 0).near(red)) << i;
        EXPECT_TRUE(raster.atUserPoint({250, 250}, crop, 0).near(blue)) << i;
        // Outside the picture's crop box (its x below 50 lands below 90 here): no green.
        EXPECT_TRUE(raster.atUserPoint({85, 150}, crop, 0).near(blue)) << i;
    }
}

TEST(PdfWrite, PasswordGivesAes256AndTheInputsOldPasswordIsNeverKept) {
    fen::test::TempDir dir;
    std::string plain = makePdf({FixturePage{.content = fen::test::textOp(50, 700, 12, "Secret")}});
    std::string old = fen::test::encryptPdf(plain, "oldpw", "oldowner", true);
    Document doc;
    ASSERT_EQ(doc.openData(old), OpenResult::locked);
    ASSERT_TRUE(doc.unlock("oldpw"));

    // No new password: written unencrypted.
    ASSERT_TRUE(doc.write((dir / "open.pdf").string()));
    auto shown = runCommand({"qpdf", "--show-encryption", (dir / "open.pdf").string()});
    EXPECT_NE(shown.out.find("File is not encrypted"), std::string::npos) << shown.out;
    EXPECT_NE(fen::test::pdftotext(dir / "open.pdf").find("Secret"), std::string::npos);

    // A new password: R6, AES-256, user and owner alike; neither nothing nor the old one opens it.
    ASSERT_TRUE(doc.write((dir / "locked.pdf").string(), WriteOptions{std::string("PW")}));
    shown =
        runCommand({"qpdf", "--show-encryption", "--password=PW", (dir / "locked.pdf").string()});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_NE(shown.out.find("R = 6"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("file encryption method: AESv3"), std::string::npos);
    EXPECT_NE(shown.out.find("Supplied password is owner password"), std::string::npos);
    EXPECT_NE(shown.out.find("Supplied password is user password"), std::string::npos);
    EXPECT_TRUE(qpdfCheckPasses(dir / "locked.pdf", std::string("PW")));
    EXPECT_FALSE(qpdfCheckPasses(dir / "locked.pdf"));
    std::string locked = fen::test::readFile(dir / "locked.pdf");
    Document reopened;
    EXPECT_EQ(reopened.openData(locked), OpenResult::locked);
    EXPECT_EQ(reopened.openData(locked, std::string("oldpw")), OpenResult::locked);
    EXPECT_EQ(reopened.openData(locked, std::string("PW")), OpenResult::opened);
    EXPECT_NE(fen::test::pdftotext(dir / "locked.pdf", std::string("PW")).find("Secret"),
              std::string::npos);

    // An empty password still encrypts.
    ASSERT_TRUE(doc.write((dir / "empty.pdf").string(), WriteOptions{std::string()}));
    shown = runCommand({"qpdf", "--show-encryption", (dir / "empty.pdf").string()});
    EXPECT_NE(shown.out.find("R = 6"), std::string::npos) << shown.out;
}

TEST(PdfWrite, ReportsProgressAndStopsBetweenPages) {
    Document doc;
    ASSERT_EQ(doc.openData(fen::test::makeCairoTextPdf(4, 200, 200, 1)), OpenResult::opened);
    fen::test::TempDir dir;
    std::vector<std::pair<WriteStage, int>> events;
    auto record = [&](WriteStage s, int i) { events.emplace_back(s, i); };
    ASSERT_TRUE(doc.write((dir / "out.pdf").string(), {}, record));
    std::vector<std::pair<WriteStage, int>> expected{
        {WriteStage::begin, -1},  {WriteStage::pageEnd, 0}, {WriteStage::pageEnd, 1},
        {WriteStage::pageEnd, 2}, {WriteStage::pageEnd, 3}, {WriteStage::end, -1}};
    EXPECT_EQ(events, expected);

    events.clear();
    std::atomic<bool> stop{false};
    auto stopAfterSecond = [&](WriteStage s, int i) {
        events.emplace_back(s, i);
        if (s == WriteStage::pageEnd && i == 1) {
            stop = true;
        }
    };
    EXPECT_FALSE(doc.write((dir / "stopped.pdf").string(), {}, stopAfterSecond, &stop));
    expected = {{WriteStage::begin, -1},
                {WriteStage::pageEnd, 0},
                {WriteStage::pageEnd, 1},
                {WriteStage::end, -1}};
    EXPECT_EQ(events, expected);
    EXPECT_FALSE(fs::exists(dir / "stopped.pdf"));
    EXPECT_EQ(directoryEntries(dir.path()), std::vector<std::string>{"out.pdf"});
}

TEST(PdfWrite, FailedWriteLeavesNoFile) {
    Document doc;
    ASSERT_EQ(doc.openData(fen::test::makeCairoTextPdf(30, 600, 800, 40)), OpenResult::opened);
    useRectPages(doc, [](RectPage& p) { p.after = {{10, 10, 50, 50}}; });
    fen::test::TempDir dir;
    // A folder nobody may create files in, one that does not exist, and a folder as the target.
    EXPECT_FALSE(doc.write("/proc/fenmoor-out.pdf"));
    EXPECT_FALSE(fs::exists("/proc/fenmoor-out.pdf"));
    EXPECT_FALSE(doc.write((dir / "missing" / "out.pdf").string()));
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(doc.write((dir / "folder").string()));
    EXPECT_EQ(directoryEntries(dir.path()), std::vector<std::string>{"folder"});
    EXPECT_TRUE(fs::is_empty(dir / "folder"));
    if (geteuid() != 0) {
        fs::permissions(dir / "folder", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(doc.write((dir / "folder" / "out.pdf").string()));
        fs::permissions(dir / "folder", fs::perms::owner_all);
        EXPECT_TRUE(fs::is_empty(dir / "folder"));
    }

    // The disk fills up in the middle of the file: the partial file is removed, and an older file
    // at the target stays as it was.
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
    auto names = directoryEntries(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder", "kept.pdf"}));

    // A locked document writes nothing.
    Document locked;
    locked.openData(fen::test::encryptPdf(makePdf({FixturePage{}}), "u", "o"));
    EXPECT_FALSE(locked.write((dir / "locked.pdf").string()));
    EXPECT_FALSE(fs::exists(dir / "locked.pdf"));
}

TEST(PdfWrite, NumbersAreWrittenInTheClassicFormWhateverTheLocale) {
    EXPECT_EQ(LayeredWriter::number(612), "612");
    EXPECT_EQ(LayeredWriter::number(0.5), "0.5");
    EXPECT_EQ(LayeredWriter::number(-50.25), "-50.25");
    EXPECT_EQ(LayeredWriter::number(1e-9), "0");
    EXPECT_EQ(LayeredWriter::number(-1e-9), "0");
    EXPECT_EQ(LayeredWriter::number(1.0 / 3), "0.333333");
    EXPECT_EQ(LayeredWriter::number(1e20), "100000000000000000000");
    EXPECT_EQ(LayeredWriter::number(std::nan("")), "0");
    EXPECT_EQ(LayeredWriter::number(-INFINITY), "0");
}

} // namespace
} // namespace fen::pdf

namespace fen::pdf {
namespace {

// A page that writes its number in a font over its content.
class NumberPage : public Page {
public:
    using Page::Page;
    void draw(Box box, gfx::Context& ctx) override {
        Page::draw(box, ctx);
        cairo_t* cr = ctx.cairo();
        cairo_save(cr);
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 12);
        // The context is y up: flip locally so the text stands upright.
        cairo_translate(cr, 20, 20);
        cairo_scale(cr, 1, -1);
        std::string text = "Stamped " + std::to_string(pageNumber());
        cairo_show_text(cr, text.c_str());
        cairo_restore(cr);
    }
};

TEST(PdfWrite, ManyPagesShareOneCopyOfTheLayerFont) {
    // Enough pages that the recording is read in several chunks.
    Document doc;
    ASSERT_EQ(doc.openData(fen::test::makeCairoTextPdf(700, 200, 200, 1)), OpenResult::opened);
    doc.setPageFactory(
        [](Document& d, int index) { return std::make_unique<NumberPage>(d, index); });
    fen::test::TempDir dir;
    ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
    EXPECT_TRUE(qpdfCheckPasses(dir / "out.pdf"));
    std::string text = fen::test::pdftotext(dir / "out.pdf");
    EXPECT_NE(text.find("Stamped 1\n"), std::string::npos);
    EXPECT_NE(text.find("Stamped 700"), std::string::npos);
    EXPECT_NE(text.find("Page 700 line 1"), std::string::npos);
    // pdffonts lists each font object once per file: the input's font and one for the stamps.
    auto fonts = runCommand({"pdffonts", (dir / "out.pdf").string()});
    std::set<std::string> ids;
    std::istringstream lines(fonts.out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find("DejaVu") != std::string::npos) {
            ids.insert(line.substr(line.size() - 10));
        }
    }
    EXPECT_EQ(ids.size(), 2u) << fonts.out;
}

} // namespace
} // namespace fen::pdf

namespace fen::pdf {
namespace {

// A page that draws the same half-transparent square over its content, as a group.
class GroupPage : public Page {
public:
    using Page::Page;
    void draw(Box box, gfx::Context& ctx) override {
        Page::draw(box, ctx);
        cairo_t* cr = ctx.cairo();
        cairo_push_group(cr);
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_rectangle(cr, 20, 20, 60, 60);
        cairo_fill(cr);
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, 0.5);
    }
};

TEST(PdfWrite, WhatEveryPageDrawsAlikeIsStoredOnce) {
    Document doc;
    ASSERT_EQ(doc.openData(fen::test::makeCairoTextPdf(6, 200, 200, 1)), OpenResult::opened);
    doc.setPageFactory(
        [](Document& d, int index) { return std::make_unique<GroupPage>(d, index); });
    fen::test::TempDir dir;
    ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
    EXPECT_TRUE(qpdfCheckPasses(dir / "out.pdf"));

    std::string output = fen::test::readFile(dir / "out.pdf");
    QPDF pdf;
    pdf.processMemoryFile("out", output.data(), output.size());
    std::set<QPDFObjGen> layers, groups;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        for (auto& [name, form] :
             page.getAttribute("/Resources", false).getKey("/XObject").getDictAsMap()) {
            if (name.rfind("/FenLayer", 0) != 0) {
                continue;
            }
            layers.insert(form.getObjGen());
            for (auto& [inner, group] :
                 form.getDict().getKey("/Resources").getKey("/XObject").getDictAsMap()) {
                groups.insert(group.getObjGen());
            }
        }
    }
    EXPECT_EQ(layers.size(), 6u); // one per page: cairo names the group differently on each
    EXPECT_EQ(groups.size(), 1u);
    for (int i = 1; i <= 6; ++i) {
        auto raster = fen::test::renderCropBox(dir / "out.pdf", i, 72);
        // Half blue over white paper.
        EXPECT_TRUE(raster.atUserPoint({50, 50}, {0, 0, 200, 200}, 0).near({128, 128, 255}, 20))
            << i;
    }
}

} // namespace
} // namespace fen::pdf

namespace fen::pdf {
namespace {

// A page that draws its content inside a transparency layer, where no mark can be left.
class LayeredContentPage : public Page {
public:
    using Page::Page;
    void draw(Box box, gfx::Context& ctx) override {
        ctx.beginTransparencyLayer();
        Page::draw(box, ctx);
        ctx.endTransparencyLayer();
    }
};

TEST(PdfWrite, ContentDrawnInsideATransparencyLayerKeepsItsPlace) {
    gfx::Rect crop{10, 20, 300, 400};
    FixturePage page;
    page.media = gfx::Rect{0, 0, 400, 500};
    page.crop = crop;
    page.rotate = 90;
    page.content = fillRectOp({crop.x + 20, crop.y + 30, 40, 40}, {1, 0, 0, 1});
    Document doc;
    ASSERT_EQ(doc.openData(makePdf({page})), OpenResult::opened);
    doc.setPageFactory(
        [](Document& d, int index) { return std::make_unique<LayeredContentPage>(d, index); });
    fen::test::TempDir dir;
    ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
    EXPECT_TRUE(qpdfCheckPasses(dir / "out.pdf"));
    auto raster = fen::test::renderCropBox(dir / "out.pdf", 1, 72);
    EXPECT_TRUE(raster.atUserPoint({crop.x + 40, crop.y + 50}, crop, 90).near(red));
    EXPECT_TRUE(raster.atUserPoint({crop.x + 150, crop.y + 200}, crop, 90).near(white));
}

} // namespace
} // namespace fen::pdf

#include "rendering/FenPage.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/text/AttributedString.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "rendering/FontResolution.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

#include <regex>

namespace fen {
namespace {

using test::FixturePage;
using test::isRed;
using test::textSettings;

const gfx::Color red{1, 0, 0, 1};

bool isBlue(const test::Rgb& c) {
    return c.b > 180 && c.r < 110 && c.g < 110;
}

double textWidth(const std::string& text, double size) {
    text::AttributedString string;
    string.text = text;
    string.font = *resolvedFont("Helvetica Neue", "Regular", size);
    return string.boundingSize({10000, 10000}).width;
}

TEST(FenPage, BackgroundTextLiesUnderOpaqueContentForegroundTextOverIt) {
    FixturePage page;
    page.media = gfx::Rect{0, 0, 600, 800};
    page.content = test::fillRectOp({50, 300, 500, 200}, {1, 1, 1});
    std::string pdf = test::makePdf({page});
    test::TempDir dir;
    for (bool behind : {true, false}) {
        SCOPED_TRACE(behind ? "background" : "foreground");
        auto job = test::makeWatermarkJob(pdf);
        ASSERT_TRUE(job.document);
        job.model->selectedTextItem = TextListItem{"1", "HIDDEN"};
        job.model->textConf = textSettings(Positions::middle, 60, red, behind);
        // The page number is drawn over everything, whatever the text does.
        auto number = test::pageNumberSettings("NUMBER", Positions::middle, 1, 1, 1);
        number.numberTextColor->stampColor = {0, 0, 1, 1};
        number.font.size = 12;
        job.model->otherConf = number;
        auto out = dir / "layers.pdf";
        ASSERT_TRUE(job.write(out));
        // Drawn in both cases: the text is in the file.
        EXPECT_NE(test::pdftotext(out).find("HIDDEN"), std::string::npos);
        auto raster = test::renderCropBox(out, 1);
        test::Ink text = test::inkOf(raster, isRed);
        if (behind) {
            EXPECT_EQ(text.count, 0);
        } else {
            EXPECT_GT(text.count, 1000);
        }
        EXPECT_GT(test::inkOf(raster, isBlue).count, 20);
    }
}

TEST(FenPage, WatermarksStandUprightOnARotatedPageAndStayInsideACropBoxAwayFromTheOrigin) {
    FixturePage rotated{.media = gfx::Rect{0, 0, 600, 800}, .rotate = 90};
    rotated.content = test::textOp(100, 700, 24, "CONTENT");
    FixturePage cropped{.media = gfx::Rect{0, 0, 612, 792}, .crop = gfx::Rect{36, 36, 540, 720}};
    auto job = test::makeWatermarkJob(test::makePdf({rotated, cropped}));
    ASSERT_TRUE(job.document);
    job.model->selectedTextItem = TextListItem{"1", "MARK"};
    job.model->textConf = textSettings(Positions::topleft, 30, red);
    job.model->otherConf = test::pageNumberSettings("Folio", Positions::bottomright, 1, 2, 1);
    test::TempDir dir;
    auto out = dir / "pages.pdf";
    ASSERT_TRUE(job.write(out));
    auto info = test::runCommand({"pdfinfo", out.string()});
    EXPECT_TRUE(std::regex_search(info.out, std::regex("Page rot:\\s+90\\n"))) << info.out;
    auto words = test::pdftotextBBox(out);
    auto find = [&](int page, const std::string& text) {
        for (const auto& word : test::wordsOnPage(words, page)) {
            if (word.text == text) {
                return word;
            }
        }
        ADD_FAILURE() << text << " is not on page " << page;
        return test::WordBox{};
    };
    // The turned page: its content runs down the shown page (turned a quarter clockwise, 800
    // wide and 600 high), the watermark across it, at the shown page's top-left corner.
    test::WordBox content = find(1, "CONTENT"), mark = find(1, "MARK");
    EXPECT_GT(content.yMax - content.yMin, content.xMax - content.xMin);
    EXPECT_LT(mark.yMax - mark.yMin, mark.xMax - mark.xMin);
    EXPECT_NEAR(mark.xMin, 10, 1.0);
    EXPECT_NEAR(mark.xMax, 10 + textWidth("MARK", 30), 1.0);
    EXPECT_GE(mark.yMin, 10);
    EXPECT_LT(mark.yMin, 22);
    // The page number at the shown page's bottom right.
    test::WordBox turnedFolio = find(1, "Folio");
    EXPECT_NEAR(turnedFolio.xMax, 800 - 10, 1.0);
    EXPECT_LE(turnedFolio.yMax, 600 - 10 + 0.5);
    EXPECT_GT(turnedFolio.yMax, 600 - 30);
    // The cropped page: pdftotext measures from the media box's top-left corner, the crop box
    // starts 36 points in.
    mark = find(2, "MARK");
    EXPECT_NEAR(mark.xMin, 36 + 10, 1.0);
    EXPECT_GE(mark.yMin, 36 + 10);
    EXPECT_LT(mark.yMin, 36 + 22);
    test::WordBox folio = find(2, "Folio");
    EXPECT_NEAR(folio.xMax, 36 + 540 - 10, 1.0);
    EXPECT_LE(folio.yMax, 36 + 720 - 10 + 0.5);
    EXPECT_GT(folio.yMax, 36 + 720 - 30);
    // Shown with the crop box: the text 10 points from its corner.
    test::Ink ink = test::inkOf(test::renderCropBox(out, 2), isRed);
    ASSERT_GT(ink.count, 100);
    EXPECT_GE(ink.minX, 10);
    EXPECT_LT(ink.minX, 16);
    EXPECT_GE(ink.minY, 9); // the glyphs' antialiased top edge
    EXPECT_LT(ink.maxY, 60);
}

TEST(FenPage, EditorShowsTheWatermarksWhereTheWrittenFileHasThem) {
    struct Case {
        int rotation;
        gfx::Rect crop;
    };
    for (Case c :
         {Case{0, {0, 0, 600, 800}}, Case{90, {0, 0, 600, 800}}, Case{90, {36, 36, 500, 700}},
          Case{180, {20, 40, 500, 700}}, Case{270, {36, 36, 500, 700}}}) {
        SCOPED_TRACE("rotation " + std::to_string(c.rotation) + ", crop x " +
                     std::to_string(c.crop.x));
        FixturePage page;
        page.media = gfx::Rect{0, 0, 600, 800};
        page.crop = c.crop;
        page.rotate = c.rotation;
        std::string pdf = test::makePdf({page});
        auto setUp = [](test::WatermarkJob& job) {
            job.model->selectedTextItem = TextListItem{"1", "EDITOR"};
            job.model->textConf = textSettings(Positions::topleft, 40, red);
        };
        auto saved = test::makeWatermarkJob(pdf);
        ASSERT_TRUE(saved.document);
        setUp(saved);
        test::TempDir dir;
        ASSERT_TRUE(saved.write(dir / "out.pdf"));
        test::Ink written = test::inkOf(test::renderCropBox(dir / "out.pdf", 1), isRed);
        auto editor = test::makeWatermarkJob(pdf);
        ASSERT_TRUE(editor.document);
        editor.document->isSaving = false;
        setUp(editor);
        auto* fenPage = dynamic_cast<FenPage*>(editor.document->page(0));
        ASSERT_NE(fenPage, nullptr);
        EXPECT_EQ(fenPage->drawingRotation(), c.rotation);
        EXPECT_EQ(dynamic_cast<FenPage*>(saved.document->page(0))->drawingRotation(), c.rotation);
        test::Ink shown =
            test::inkOf(test::rasterOf(fenPage->renderForDisplay(pdf::Box::crop, 1)), isRed);
        ASSERT_GT(written.count, 100);
        ASSERT_GT(shown.count, 100);
        EXPECT_NEAR(shown.minX, written.minX, 2);
        EXPECT_NEAR(shown.maxX, written.maxX, 2);
        EXPECT_NEAR(shown.minY, written.minY, 2);
        EXPECT_NEAR(shown.maxY, written.maxY, 2);
        // Both at the top left of the page as shown, reading across it.
        EXPECT_GE(written.minX, 9);
        EXPECT_LT(written.minX, 16);
        EXPECT_GE(written.minY, 9);
        EXPECT_LT(written.maxY, 60);
        EXPECT_GT(written.maxX - written.minX, written.maxY - written.minY);
    }
}

TEST(FenPage, WithoutAHolderALiveModelOrATextOnlyTheContentIsDrawn) {
    FixturePage page;
    page.media = gfx::Rect{0, 0, 600, 800};
    page.content = test::textOp(100, 700, 24, "CONTENT");
    std::string pdf = test::makePdf({page});
    test::TempDir dir;
    auto expectContentOnly = [&](pdf::Document& document, const char* name) {
        ASSERT_TRUE(document.write((dir / name).string()));
        EXPECT_EQ(test::pageText(test::pdftotextBBox(dir / name), 1), "CONTENT") << name;
    };
    auto orphan = test::makeWatermarkJob(pdf);
    orphan.model->selectedTextItem = TextListItem{"1", "MARK"};
    orphan.model->textConf = textSettings(Positions::middle, 30, red);
    orphan.model->otherConf = test::pageNumberSettings("Folio", Positions::topleft, 1, 1, 1);
    orphan.model.reset(); // the holder keeps it weakly
    expectContentOnly(*orphan.document, "orphan.pdf");
    auto bare = FenDocument::fromData(pdf);
    ASSERT_TRUE(bare);
    expectContentOnly(*bare, "bare.pdf");
    // A plain document whose pages are FenPages: no holder to reach.
    pdf::Document plain;
    plain.setPageFactory([](pdf::Document& d, int i) { return std::make_unique<FenPage>(d, i); });
    ASSERT_EQ(plain.openData(pdf), pdf::OpenResult::opened);
    expectContentOnly(plain, "plain.pdf");
    // An empty selected text: a sound file without visible ink.
    auto empty = test::makeWatermarkJob(pdf);
    empty.model->selectedTextItem = TextListItem{"1", ""};
    empty.model->textConf = textSettings(Positions::middle, 30, red);
    ASSERT_TRUE(empty.write(dir / "empty.pdf"));
    EXPECT_TRUE(test::qpdfCheck(dir / "empty.pdf"));
    EXPECT_EQ(test::inkOf(test::renderCropBox(dir / "empty.pdf", 1), isRed).count, 0);
}

// The page's two named operations apart from a write: the passes over a given picture, and the
// page content alone as a bitmap.
TEST(FenPage, PassesOverAGivenPictureAndTheOriginalPageWithoutWatermarks) {
    const gfx::Color darkBlue{0, 0, 0.4};
    FixturePage page;
    page.media = gfx::Rect{0, 0, 600, 800};
    page.content = test::fillRectOp({50, 50, 100, 100}, darkBlue);
    const std::string pdf = test::makePdf({page});
    auto job = test::makeWatermarkJob(pdf);
    ASSERT_TRUE(job.document);
    job.model->selectedTextItem = TextListItem{"1", "MARK"};
    job.model->textConf = textSettings(Positions::middle, 60, red);
    job.holder->pdfDoc = std::make_shared<pdf::Document>();
    ASSERT_EQ(job.holder->pdfDoc->openData(pdf), pdf::OpenResult::opened);
    auto* fenPage = dynamic_cast<FenPage*>(job.document->page(0));
    ASSERT_NE(fenPage, nullptr);
    // The given picture stands for the content: the page's own rectangle is not drawn.
    auto bitmap = gfx::BitmapContext::create(600, 800);
    ASSERT_TRUE(bitmap);
    fenPage->drawPageWatermarksInContext(*bitmap, test::solidImage(60, 80, {0.6, 0.8, 1, 1}),
                                         {0, 0, 600, 800});
    test::Raster passes = test::rasterOf(bitmap->makeImage());
    const test::Rgb lightBlue{153, 204, 255};
    EXPECT_TRUE(passes.at(100, 700).near(lightBlue)); // where the page's rectangle lies
    EXPECT_TRUE(passes.at(550, 50).near(lightBlue));
    test::Ink mark = test::inkOf(passes, isRed);
    EXPECT_GT(mark.count, 500);
    EXPECT_NEAR(mark.centerX, 300, 20);
    EXPECT_NEAR(mark.centerY, 400, 20);
    // The original page at two pixels per point: the rectangle, no watermark, the rest clear
    // (transparent pixels read black).
    gfx::Image original = fenPage->renderOriginalPageImage({0, 0, 600, 800});
    test::Raster content = test::rasterOf(original);
    ASSERT_EQ(content.width, 1200);
    ASSERT_EQ(content.height, 1600);
    EXPECT_TRUE(content.at(200, 1400).near({0, 0, 102}, 8));
    EXPECT_TRUE(content.at(600, 800).near({0, 0, 0}, 8));
    EXPECT_EQ(test::inkOf(content, isRed).count, 0);
}

} // namespace
} // namespace fen

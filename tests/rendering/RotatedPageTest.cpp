// Watermarks on pages that a viewer turns (/Rotate 90, 180, 270), checked on the written file as
// pdftotext and pdftoppm show it: every placement means the corner a reader of the turned page
// sees, and every watermark stands upright on it.

#include "platform/graphics/BitmapContext.h"
#include "platform/image/ImageCodec.h"
#include "platform/pdf/Page.h"
#include "rendering/FenPage.h"
#include "rendering/QRCodeGenerator.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace fen {
namespace {

using test::FixturePage;
using test::isRed;

const gfx::Color red{1, 0, 0, 1};

bool isBlue(const test::Rgb& c) {
    return c.b > 180 && c.r < 80 && c.g < 80;
}

bool isGreen(const test::Rgb& c) {
    return c.g > 150 && c.r < 80 && c.b < 80;
}

// One page of the fixture: its boxes and rotation.
struct TurnedPage {
    const char* what;
    gfx::Rect media;
    std::optional<gfx::Rect> crop;
    // The turn a reader sees.
    int rotate;
    // The /Rotate written, when it is not `rotate` itself.
    const char* written = nullptr;
};

const std::vector<TurnedPage>& turnedPages() {
    static const std::vector<TurnedPage> pages = {
        {"upright", {0, 0, 600, 800}, std::nullopt, 0},
        {"turned 90", {0, 0, 600, 800}, std::nullopt, 90},
        {"turned 180", {0, 0, 600, 800}, std::nullopt, 180},
        {"turned 270", {0, 0, 600, 800}, std::nullopt, 270},
        {"turned 90, shifted media box and a crop box",
         {100, 50, 600, 800},
         gfx::Rect{150, 120, 500, 640},
         90},
        // A multiple of 90 beyond the usual range is turned; a real, not valid there, counts as
        // no /Rotate at all.
        {"/Rotate 360000090, turned 90", {0, 0, 600, 800}, std::nullopt, 90, "360000090"},
        {"/Rotate 90.4, upright", {0, 0, 600, 800}, std::nullopt, 0, "90.4"},
    };
    return pages;
}

// The fixture file: one page per case, each with a line of its own content.
std::string turnedPagesPdf() {
    std::vector<FixturePage> pages;
    for (const TurnedPage& p : turnedPages()) {
        const gfx::Rect crop = p.crop.value_or(p.media);
        pages.push_back(
            FixturePage{.media = p.media,
                        .crop = p.crop,
                        .rotate = p.rotate,
                        .content = test::textOp(crop.x + 40, crop.y + 300, 12, "Content")});
    }
    return test::editPdf(test::makePdf(pages), [](QPDF& pdf) {
        std::vector<QPDFPageObjectHelper> written = QPDFPageDocumentHelper(pdf).getAllPages();
        for (size_t i = 0; i < written.size(); ++i) {
            if (const char* rotate = turnedPages()[i].written) {
                written[i].getObjectHandle().replaceKey("/Rotate", QPDFObjectHandle::parse(rotate));
            }
        }
    });
}

// The crop box as the reader sees it, in pdftotext's frame: points from the top left of the
// turned media box, y down.
struct SeenBox {
    double left, top, width, height;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

SeenBox seenCrop(const TurnedPage& p) {
    const gfx::Rect crop = p.crop.value_or(p.media);
    const gfx::AffineTransform turn =
        pdf::turnedBoxTransform(p.rotate, p.media.width, p.media.height);
    const gfx::Rect seen =
        turn.apply(gfx::Rect{crop.x - p.media.x, crop.y - p.media.y, crop.width, crop.height});
    const double seenMediaHeight =
        p.rotate == 90 || p.rotate == 270 ? p.media.width : p.media.height;
    return {seen.minX(), seenMediaHeight - seen.maxY(), seen.width, seen.height};
}

enum class Across { left, centre, right };
enum class Down { top, middle, bottom };

// Where a page number of `position` lies on the seen page: the sides it keeps 10 points from,
// or the centre (the drawer centres 10 points right of the middle).
void expectNumberAt(const test::WordBox& word, const SeenBox& seen, Across across, Down down) {
    switch (across) {
    case Across::left:
        EXPECT_NEAR(word.xMin - seen.left, 10, 1.5);
        break;
    case Across::centre:
        EXPECT_NEAR((word.xMin + word.xMax) / 2, seen.left + seen.width / 2 + 10, 2);
        break;
    case Across::right:
        EXPECT_NEAR(seen.right() - word.xMax, 10, 1.5);
        break;
    }
    switch (down) {
    case Down::top:
        EXPECT_GE(word.yMin - seen.top, 8);
        EXPECT_LT(word.yMin - seen.top, 22);
        break;
    case Down::middle:
        EXPECT_NEAR((word.yMin + word.yMax) / 2, seen.top + seen.height / 2, 6);
        break;
    case Down::bottom:
        EXPECT_GE(seen.bottom() - word.yMax, 5);
        EXPECT_LT(seen.bottom() - word.yMax, 25);
        break;
    }
}

TEST(RotatedPage, PageNumbersLandInTheSeenCornerAndReadAcrossIt) {
    const std::string pdf = turnedPagesPdf();
    const int count = static_cast<int>(turnedPages().size());
    struct Case {
        Positions position;
        // For odd pages, and for even ones (they differ for the alternating placement only).
        Across oddAcross, evenAcross;
        Down down;
    };
    const Case cases[] = {
        {Positions::topleft, Across::left, Across::left, Down::top},
        {Positions::topright, Across::right, Across::right, Down::top},
        {Positions::bottomleft, Across::left, Across::left, Down::bottom},
        {Positions::bottomright, Across::right, Across::right, Down::bottom},
        {Positions::topcenter, Across::centre, Across::centre, Down::top},
        {Positions::bottomcenter, Across::centre, Across::centre, Down::bottom},
        {Positions::middle, Across::centre, Across::centre, Down::middle},
        {Positions::topevenleft, Across::right, Across::left, Down::top},
        {Positions::bottomoddleft, Across::left, Across::right, Down::bottom},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        // One digit (1 to 5), and two digits counted from 47.
        for (std::int64_t startAt : {1, 47}) {
            SCOPED_TRACE(std::string(localizationKey(c.position)) + " from " +
                         std::to_string(startAt));
            test::WatermarkJob job = test::makeWatermarkJob(pdf);
            ASSERT_TRUE(job.document);
            job.model->otherConf =
                test::pageNumberSettings("#currentPage", c.position, 1, count, startAt);
            const auto out = dir / "numbers.pdf";
            ASSERT_TRUE(job.write(out));
            const std::vector<test::WordBox> words = test::pdftotextBBox(out);
            for (int i = 0; i < count; ++i) {
                const TurnedPage& page = turnedPages()[static_cast<size_t>(i)];
                SCOPED_TRACE(page.what);
                const std::string number = std::to_string(startAt + i);
                std::vector<test::WordBox> found = test::wordsOnPage(words, i + 1);
                std::erase_if(found, [](const test::WordBox& w) { return w.text == "Content"; });
                ASSERT_EQ(found.size(), 1u);
                const test::WordBox& word = found[0];
                EXPECT_EQ(word.text, number);
                if (number.size() == 1) {
                    // An upright digit is taller than wide; one turned a quarter is not.
                    EXPECT_GT(word.yMax - word.yMin, word.xMax - word.xMin);
                }
                const bool odd = (i + 1) % 2 != 0;
                expectNumberAt(word, seenCrop(page), odd ? c.oddAcross : c.evenAcross, c.down);
            }
        }
    }
}

struct Quarter {
    bool right, bottom;
};

// The ink lies wholly within that quarter of a raster of `width` × `height`, and when `wide`, is
// wider than tall (upright text or a stamp picture wider than tall).
void expectInQuarter(const test::Ink& ink, int width, int height, Quarter q, bool wide) {
    ASSERT_GT(ink.count, 50);
    if (q.right) {
        EXPECT_GE(ink.minX, width / 2);
    } else {
        EXPECT_LT(ink.maxX, width / 2);
    }
    if (q.bottom) {
        EXPECT_GE(ink.minY, height / 2);
    } else {
        EXPECT_LT(ink.maxY, height / 2);
    }
    if (wide) {
        EXPECT_GT(ink.maxX - ink.minX, ink.maxY - ink.minY);
    }
}

TEST(RotatedPage, TextStampAndImageStandUprightInTheSeenQuarter) {
    const std::string pdf = turnedPagesPdf();
    test::TempDir dir;
    // A picture red on its left half and blue on its right: upright, red lies left of blue.
    auto bitmap = gfx::BitmapContext::create(200, 100);
    ASSERT_TRUE(bitmap);
    bitmap->setFillColor({1, 0, 0, 1});
    bitmap->fillRect({0, 0, 100, 100});
    bitmap->setFillColor({0, 0, 1, 1});
    bitmap->fillRect({100, 0, 100, 100});
    const auto picture = dir / "halves.png";
    ASSERT_TRUE(gfx::ImageCodec::writePNG(bitmap->makeImage(), picture));

    struct Case {
        std::string what;
        std::function<void(FenWatermarkModel&)> setUp;
        Quarter quarter;
    };
    auto stamp = [](Positions position) {
        return [position](FenWatermarkModel& model) {
            model.stampConf = StampSettings{.stampTextColor = StampTextColor{"approved", red},
                                            .position = position,
                                            .angle = WMAngles::d0,
                                            .sizeopacity = {30, 100}};
        };
    };
    auto image = [&](Positions position) {
        return [position, picture](FenWatermarkModel& model) {
            model.imageConf =
                ImageSettings{Url::fileURL(picture), position, WMAngles::d0, {20, 100}, {0, 0}};
        };
    };
    const std::vector<Case> cases = {
        {"text at the top left",
         [](FenWatermarkModel& model) {
             model.selectedTextItem = TextListItem{"1", "MARK"};
             model.textConf = test::textSettings(Positions::topleft, 40, red);
         },
         {false, false}},
        {"stamp at the top left", stamp(Positions::topleft), {false, false}},
        {"stamp at the top right", stamp(Positions::topright), {true, false}},
        {"stamp at the bottom left", stamp(Positions::bottomleft), {false, true}},
        {"stamp at the bottom right", stamp(Positions::bottomright), {true, true}},
        {"image at the top left", image(Positions::topleft), {false, false}},
        {"image at the bottom right", image(Positions::bottomright), {true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::WatermarkJob job = test::makeWatermarkJob(pdf);
        ASSERT_TRUE(job.document);
        c.setUp(*job.model);
        const auto out = dir / "marks.pdf";
        ASSERT_TRUE(job.write(out));
        const std::vector<test::Raster> rasters = test::renderCropBoxes(out, 72);
        ASSERT_EQ(rasters.size(), turnedPages().size());
        for (size_t i = 0; i < rasters.size(); ++i) {
            SCOPED_TRACE(turnedPages()[i].what);
            const test::Raster& raster = rasters[i];
            const test::Ink ink = test::inkOf(raster, isRed);
            const bool isImage = c.what.starts_with("image");
            expectInQuarter(ink, raster.width, raster.height, c.quarter, !isImage);
            if (isImage) {
                const test::Ink blue = test::inkOf(raster, isBlue);
                ASSERT_GT(blue.count, 50);
                EXPECT_LT(ink.centerX, blue.centerX);
                EXPECT_NEAR(ink.centerY, blue.centerY, 2);
                // Red and blue together: wider than tall.
                EXPECT_GT(blue.maxX - ink.minX, ink.maxY - ink.minY);
            }
        }
    }
}

// The ink of one colour within one quarter of a raster.
test::Ink inkInQuarter(const test::Raster& raster, Quarter q,
                       const std::function<bool(const test::Rgb&)>& match) {
    test::Raster part;
    part.width = raster.width / 2;
    part.height = raster.height / 2;
    const int x0 = q.right ? raster.width - part.width : 0;
    const int y0 = q.bottom ? raster.height - part.height : 0;
    for (int y = 0; y < part.height; ++y) {
        const auto row = raster.rgb.begin() + 3 * ((y0 + y) * raster.width + x0);
        part.rgb.insert(part.rgb.end(), row, row + 3 * part.width);
    }
    return test::inkOf(part, match);
}

// A QR code reads as written only upright: its three finder patterns lie at the seen top-left,
// top-right and bottom-left corners of the symbol, none at the bottom right.
TEST(RotatedPage, QRCodesStandUprightWithTheirFindersAtTheSeenCorners) {
    test::TempDir dir;
    const gfx::Image symbol = QRCodeGenerator::generateQRCodeImage("hello", 800, 800);
    ASSERT_FALSE(symbol.isNull());
    const auto code = dir / "code.png";
    ASSERT_TRUE(gfx::ImageCodec::writePNG(
        roundedBackgroundQRImage(tintQRImage(symbol, red), {1, 1, 1, 1}), code));
    test::WatermarkJob job = test::makeWatermarkJob(turnedPagesPdf());
    ASSERT_TRUE(job.document);
    job.model->imageConf =
        ImageSettings{Url::fileURL(code), Positions::topleft, WMAngles::d0, {40, 100}, {0, 0}};
    ASSERT_TRUE(job.write(dir / "codes.pdf"));
    const std::vector<test::Raster> rasters = test::renderCropBoxes(dir / "codes.pdf", 144);
    ASSERT_EQ(rasters.size(), turnedPages().size());
    constexpr int modules = 21; // the symbol of "hello", without its quiet zone
    for (size_t i = 0; i < rasters.size(); ++i) {
        SCOPED_TRACE(turnedPages()[i].what);
        const test::Raster& raster = rasters[i];
        const test::Ink ink = test::inkOf(raster, isRed);
        ASSERT_GT(ink.count, 1000);
        EXPECT_LT(ink.maxX, raster.width / 2);
        EXPECT_LT(ink.maxY, raster.height / 2);
        const double module = (ink.maxX - ink.minX + 1) / double(modules);
        EXPECT_NEAR(ink.maxY - ink.minY + 1, modules * module, 2);
        auto redAt = [&](double mx, double my) {
            return isRed(raster.at(static_cast<int>(ink.minX + mx * module),
                                   static_cast<int>(ink.minY + my * module)));
        };
        // A finder whose outer corner module is (x0, y0): dark ring and centre, light ring.
        auto finderAt = [&](double x0, double y0) {
            return redAt(x0 + 0.5, y0 + 0.5) && redAt(x0 + 6.5, y0 + 6.5) &&
                   redAt(x0 + 3.5, y0 + 3.5) && !redAt(x0 + 1.5, y0 + 3.5) &&
                   !redAt(x0 + 5.5, y0 + 3.5) && !redAt(x0 + 3.5, y0 + 1.5) &&
                   !redAt(x0 + 3.5, y0 + 5.5);
        };
        EXPECT_TRUE(finderAt(0, 0));
        EXPECT_TRUE(finderAt(modules - 7, 0));
        EXPECT_TRUE(finderAt(0, modules - 7));
        EXPECT_FALSE(finderAt(modules - 7, modules - 7));
    }
}

// Secure saving draws the same passes into the flattened picture: on pages whose crop box is
// their media box, the watermarks, and the page's own content drawn by the preview's renderer, lie
// where the ordinary write puts them.
TEST(RotatedPage, FlattenedPagesPlaceTheirWatermarksAsTheOrdinaryWrite) {
    const char* turns[] = {"0", "90", "180", "270", "360000090", "90.4"};
    // Each page with a green box of its own content.
    const std::vector<FixturePage> pages(
        std::size(turns),
        FixturePage{.media = gfx::Rect{0, 0, 300, 400},
                    .content = test::fillRectOp({20, 300, 40, 60}, {0, 0.8, 0, 1})});
    const std::string pdf = test::editPdf(test::makePdf(pages), [&](QPDF& written) {
        std::vector<QPDFPageObjectHelper> all = QPDFPageDocumentHelper(written).getAllPages();
        for (size_t i = 0; i < all.size(); ++i) {
            all[i].getObjectHandle().replaceKey("/Rotate", QPDFObjectHandle::parse(turns[i]));
        }
    });
    test::TempDir dir;
    auto write = [&](bool flattened, const std::filesystem::path& out) {
        test::WatermarkJob job = test::makeWatermarkJob(pdf);
        ASSERT_TRUE(job.document);
        job.model->selectedTextItem = TextListItem{"1", "MARK"};
        job.model->textConf = test::textSettings(Positions::topleft, 30, red);
        job.model->stampConf =
            StampSettings{.stampTextColor = StampTextColor{"approved", {0, 0, 1, 1}},
                          .position = Positions::bottomright,
                          .angle = WMAngles::d0,
                          .sizeopacity = {30, 100}};
        if (flattened) {
            job.holder->pdfDoc = std::make_shared<pdf::Document>();
            ASSERT_EQ(job.holder->pdfDoc->openData(pdf), pdf::OpenResult::opened);
            job.holder->isSecureSaving = true;
        }
        ASSERT_TRUE(job.write(out));
    };
    write(false, dir / "plain.pdf");
    write(true, dir / "flat.pdf");
    const std::vector<test::Raster> plain = test::renderCropBoxes(dir / "plain.pdf", 72);
    const std::vector<test::Raster> flat = test::renderCropBoxes(dir / "flat.pdf", 72);
    ASSERT_EQ(plain.size(), pages.size());
    ASSERT_EQ(flat.size(), pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(std::string("/Rotate ") + turns[i]);
        // The text (red) at the seen top left, reading across; the stamp (blue) at the seen
        // bottom right; nothing elsewhere.
        const test::Ink text = inkInQuarter(flat[i], {false, false}, isRed);
        EXPECT_GT(text.count, 50);
        EXPECT_GT(text.maxX - text.minX, text.maxY - text.minY);
        EXPECT_GT(inkInQuarter(flat[i], {true, true}, isBlue).count, 50);
        for (Quarter q : {Quarter{true, false}, Quarter{false, true}, Quarter{true, true}}) {
            EXPECT_EQ(inkInQuarter(flat[i], q, isRed).count, 0);
        }
        for (Quarter q : {Quarter{true, false}, Quarter{false, true}, Quarter{false, false}}) {
            EXPECT_EQ(inkInQuarter(flat[i], q, isBlue).count, 0);
        }
        // Where the ordinary write puts them.
        for (const auto& match : {std::function<bool(const test::Rgb&)>(isRed),
                                  std::function<bool(const test::Rgb&)>(isBlue),
                                  std::function<bool(const test::Rgb&)>(isGreen)}) {
            const test::Ink expected = test::inkOf(plain[i], match);
            const test::Ink got = test::inkOf(flat[i], match);
            ASSERT_GT(expected.count, 100);
            EXPECT_NEAR(got.minX, expected.minX, 2);
            EXPECT_NEAR(got.maxX, expected.maxX, 2);
            EXPECT_NEAR(got.minY, expected.minY, 2);
            EXPECT_NEAR(got.maxY, expected.maxY, 2);
            EXPECT_NEAR(got.count, expected.count, expected.count * 0.15);
        }
    }
}

TEST(RotatedPage, DiagonalTextRisesFromTheSeenLowerLeftToTheUpperRight) {
    test::WatermarkJob job = test::makeWatermarkJob(turnedPagesPdf());
    ASSERT_TRUE(job.document);
    job.model->selectedTextItem = TextListItem{"1", "QQQQ ZZZZ"};
    job.model->textConf = test::textSettings(Positions::diagonal, 60, red);
    test::TempDir dir;
    ASSERT_TRUE(job.write(dir / "diagonal.pdf"));
    const std::vector<test::Raster> rasters = test::renderCropBoxes(dir / "diagonal.pdf", 72);
    ASSERT_EQ(rasters.size(), turnedPages().size());
    for (size_t i = 0; i < rasters.size(); ++i) {
        SCOPED_TRACE(turnedPages()[i].what);
        const test::Ink ink = test::inkOf(rasters[i], isRed);
        ASSERT_GT(ink.count, 500);
        // Rising to the right (y down: a negative angle), about the seen page's centre, and read
        // from the lower left: the first letter lies there.
        EXPECT_NEAR(ink.angleDegrees, -45, 8);
        EXPECT_NEAR(ink.centerX, rasters[i].width / 2.0 + 10, 25);
        EXPECT_NEAR(ink.centerY, rasters[i].height / 2.0, 25);
    }
    // Read from the seen lower left: the first word's letters lie below and left of the last's.
    const std::vector<test::WordBox> words = test::pdftotextBBox(dir / "diagonal.pdf");
    for (size_t i = 0; i < rasters.size(); ++i) {
        SCOPED_TRACE(turnedPages()[i].what);
        auto centreOf = [&](char letter) {
            double x = 0, y = 0;
            int n = 0;
            for (const auto& word : test::wordsOnPage(words, static_cast<int>(i) + 1)) {
                if (word.text.find(letter) != std::string::npos) {
                    x += (word.xMin + word.xMax) / 2, y += (word.yMin + word.yMax) / 2, ++n;
                }
            }
            EXPECT_GT(n, 0) << letter;
            return gfx::Point{x / std::max(n, 1), y / std::max(n, 1)};
        };
        const gfx::Point first = centreOf('Q'), last = centreOf('Z');
        EXPECT_LT(first.x + 40, last.x);
        EXPECT_GT(first.y - 40, last.y);
    }
}

TEST(RotatedPage, TheWrittenFileKeepsRotationBoxesContentAndLinks) {
    std::string pdf = turnedPagesPdf();
    pdf = test::addLink(pdf, 1, {100, 100, 200, 30}, "https://example.org/");
    test::WatermarkJob job = test::makeWatermarkJob(pdf);
    ASSERT_TRUE(job.document);
    job.model->selectedTextItem = TextListItem{"1", "MARK"};
    job.model->textConf = test::textSettings(Positions::bottomright, 30, red);
    job.model->otherConf = test::pageNumberSettings("#currentPage", Positions::topleft, 1, 5, 1);
    test::TempDir dir;
    ASSERT_TRUE(job.write(dir / "kept.pdf"));
    EXPECT_TRUE(test::qpdfCheck(dir / "kept.pdf"));
    const std::string written = test::readFile(dir / "kept.pdf");
    EXPECT_EQ(test::pageFacts(written), test::pageFacts(pdf));
    const std::vector<test::WordBox> words = test::pdftotextBBox(dir / "kept.pdf");
    for (int page = 1; page <= static_cast<int>(turnedPages().size()); ++page) {
        const std::vector<test::WordBox> found = test::wordsOnPage(words, page);
        EXPECT_TRUE(std::ranges::any_of(found, [](const auto& w) { return w.text == "Content"; }))
            << page;
    }
}

} // namespace
} // namespace fen

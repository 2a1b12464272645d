#include "rendering/FenText.h"

#include "rendering/FontResolution.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace fen {
namespace {

using test::isRed;
using test::makeWatermarkJob;
using test::textSettings;

const gfx::Color red{1, 0, 0, 1};

gfx::Size textSize(const std::string& text, std::int64_t size) {
    text::AttributedString string;
    string.text = text;
    string.font = *resolvedFont("Helvetica Neue", "Regular", static_cast<double>(size));
    return string.boundingSize({600, 800});
}
double textWidth(const std::string& text, std::int64_t size) {
    return textSize(text, size).width;
}

// A one-word text and a whole point size whose measured width is as close to 200 points as
// whole sizes allow.
std::pair<std::string, std::int64_t> twoHundredPointWord() {
    std::pair<std::string, std::int64_t> best{"", 0};
    double bestError = 1e9;
    for (std::string word : {"Confidential", "Draft", "Watermark", "Fenmoor", "Reviewed"}) {
        for (std::int64_t size = 10; size <= 120; ++size) {
            double error = std::abs(textWidth(word, size) - 200);
            if (error < bestError) {
                bestError = error;
                best = {word, size};
            }
        }
    }
    return best;
}

std::filesystem::path writeText(const test::TempDir& dir, const std::string& name,
                                const std::string& pdf, const std::string& text,
                                const TextSettings& settings) {
    auto job = makeWatermarkJob(pdf);
    EXPECT_TRUE(job.document);
    job.model->selectedTextItem = TextListItem{"1", text};
    job.model->textConf = settings;
    std::filesystem::path out = dir / name;
    EXPECT_TRUE(job.write(out));
    return out;
}

TEST(FenText, PlacementsKeepTenPointsFromTheEdgesAndCentreTenPointsRight) {
    // A 200-point-wide word on a 600 × 800 page: centred, its left edge is at 210.
    auto [word, size] = twoHundredPointWord();
    const double w = textWidth(word, size), centred = (600 - w) * 0.5 + 10;
    ASSERT_NEAR(w, 200, 1.0) << word << " at " << size;
    enum Edge { top, bottom, none };
    struct Case {
        Positions position;
        double left;
        Edge edge;
        double margin = 10;
    } cases[] = {{Positions::topleft, 10, top},
                 {Positions::topright, 600 - w - 10, top},
                 {Positions::bottomleft, 10, bottom},
                 {Positions::bottomright, 600 - w - 10, bottom},
                 {Positions::topcenter, centred, top},
                 {Positions::middle, centred, none},
                 {Positions::bottomcenter, centred, bottom},
                 // Not placements of the text drawer: at the top-left corner, without margins.
                 {Positions::none, 0, top, 0},
                 {Positions::topoddleft, 0, top, 0}};
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(localizationKey(c.position)));
        auto words = test::pdftotextBBox(writeText(dir, "placed.pdf", test::blankPages(1), word,
                                                   textSettings(c.position, size, red)));
        ASSERT_EQ(words.size(), 1u);
        EXPECT_NEAR(words[0].xMin, c.left, 1.0);
        // The line box starts at the margin; the glyphs a little inside it.
        if (c.edge == top) {
            EXPECT_GE(words[0].yMin, c.margin - 1);
            EXPECT_LT(words[0].yMin, c.margin + 0.4 * size);
        } else if (c.edge == bottom) {
            EXPECT_GT(words[0].yMax, 800 - 10 - 0.4 * size);
            EXPECT_LE(words[0].yMax, 800 - 10 + 1);
        }
    }
}

TEST(FenText, TrippleDrawsTheTextThreeTimesOneAboveTheOther) {
    test::TempDir dir;
    auto out = writeText(dir, "triple.pdf", test::blankPages(1), "Thrice",
                         textSettings(Positions::triple, 40, red));
    auto words = test::pdftotextBBox(out);
    ASSERT_EQ(words.size(), 3u);
    const double expectedLeft = (600 - textWidth("Thrice", 40)) * 0.5 + 10;
    std::vector<double> tops;
    for (const auto& word : words) {
        EXPECT_EQ(word.text, "Thrice");
        EXPECT_NEAR(word.xMin, expectedLeft, 0.5);
        tops.push_back(word.yMin);
    }
    std::sort(tops.begin(), tops.end());
    // The boxes start 10 points from the top, in the middle and 10 points from the bottom; the
    // glyphs lie at the same depth in each box.
    const double h = textSize("Thrice", 40).height;
    EXPECT_NEAR(tops[1] - tops[0], (800 - h) * 0.5 - 10, 0.5);
    EXPECT_NEAR(tops[2] - tops[0], 800 - h - 20, 0.5);
    EXPECT_GE(tops[0], 10);
    EXPECT_LT(tops[0], 10 + h);
}

TEST(FenText, DiagonalTextIsTurnedAboutThePageCentreAndOutlinedTextIsStroked) {
    test::TempDir dir;
    auto write = [&](const char* name, Positions position, bool outlined = false) {
        return writeText(dir, name, test::blankPages(1), "HOLLOW",
                         textSettings(position, 120, red, false, outlined));
    };
    auto middle = write("middle.pdf", Positions::middle);
    auto diagonal = write("diagonal.pdf", Positions::diagonal);
    auto outlined = write("outlined.pdf", Positions::middle, true);
    test::Raster flatRaster = test::renderCropBox(middle, 1);
    test::Ink turned = test::inkOf(test::renderCropBox(diagonal, 1), isRed);
    test::Ink flat = test::inkOf(flatRaster, isRed);
    ASSERT_GT(turned.count, 5000);
    ASSERT_GT(flat.count, 5000);
    // The diagonal box is the middle box (10 points right of centre), rising to the right at 45
    // degrees (y down in the raster).
    EXPECT_NEAR(flat.angleDegrees, 0, 1);
    EXPECT_NEAR(turned.angleDegrees, -45, 2);
    // Turned about the page centre, not about the text's own centre: the middle text's ink
    // centre, turned 45 degrees counter-clockwise about (300, 400), is the diagonal one's.
    const double c = std::cos(std::numbers::pi / 4);
    const double dx = flat.centerX - 300, dy = flat.centerY - 400;
    EXPECT_NEAR(turned.centerX, 300 + c * dx + c * dy, 1.5);
    EXPECT_NEAR(turned.centerY, 400 - c * dx + c * dy, 1.5);
    EXPECT_GT(std::hypot(dx, dy), 8); // the 10-point shift makes the two centres differ
    // Outlines are paths: nothing to extract, and the insides of the strokes stay paper white.
    EXPECT_NE(test::pdftotext(middle).find("HOLLOW"), std::string::npos);
    EXPECT_EQ(test::pdftotext(outlined).find("HOLLOW"), std::string::npos);
    test::Raster outlineRaster = test::renderCropBox(outlined, 1);
    ASSERT_EQ(flatRaster.width, outlineRaster.width);
    int outlineInk = 0, hollow = 0;
    for (int y = 0; y < flatRaster.height; ++y) {
        for (int x = 0; x < flatRaster.width; ++x) {
            outlineInk += isRed(outlineRaster.at(x, y));
            hollow +=
                isRed(flatRaster.at(x, y)) && outlineRaster.at(x, y).near({255, 255, 255}, 20);
        }
    }
    EXPECT_GT(outlineInk, 1000);
    EXPECT_GT(hollow, flat.count / 5);
    // Outlines are a positive stroke width (4 % of the size) without a fill.
    text::Font font = text::Font::systemFont(20);
    auto outline = FenText::textAttributes(font, red, true);
    EXPECT_EQ(outline.strokeColor, red);
    EXPECT_EQ(outline.strokeWidth, 4);
    EXPECT_FALSE(outline.foregroundColor);
    auto fill = FenText::textAttributes(font, red, false);
    EXPECT_EQ(fill.foregroundColor, red);
    EXPECT_EQ(fill.strokeWidth, 0);
}

TEST(FenText, OpacityReachesTheTextThroughItsColour) {
    test::TempDir dir;
    TextSettings settings = textSettings(Positions::middle, 150, {0, 0, 1, 1});
    settings.opacity = 50;
    auto out = writeText(dir, "half.pdf", test::blankPages(1), "IIII", settings);
    auto raster = test::renderCropBox(out, 1);
    // Blue at half opacity on white paper: about (128, 128, 255); never full blue.
    test::Ink half = test::inkOf(raster, [](const test::Rgb& c) {
        return c.near({127, 127, 255}, 30);
    });
    test::Ink full = test::inkOf(raster, [](const test::Rgb& c) {
        return c.near({0, 0, 255}, 60);
    });
    EXPECT_GT(half.count, 2000);
    EXPECT_EQ(full.count, 0);
}

} // namespace
} // namespace fen

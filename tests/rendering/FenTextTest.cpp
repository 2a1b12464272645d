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

double textWidth(const std::string& text, std::int64_t size) {
    text::AttributedString string;
    string.text = text;
    string.font = *resolvedFont("Helvetica Neue", "Regular", static_cast<double>(size));
    return string.boundingSize({600, 800}).width;
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

TEST(FenText, CentredTextLiesTenPointsRightOfTheCentre) {
    auto [word, size] = twoHundredPointWord();
    double w = textWidth(word, size);
    ASSERT_NEAR(w, 200, 1.0) << word << " at " << size;

    test::TempDir dir;
    for (Positions position : {Positions::topcenter, Positions::middle, Positions::bottomcenter}) {
        auto out = writeText(dir, "centre.pdf", test::blankPages(1), word,
                             textSettings(position, size, red));
        auto words = test::pdftotextBBox(out);
        ASSERT_EQ(words.size(), 1u) << localizationKey(position);
        EXPECT_NEAR(words[0].xMin, 210, 1.5) << localizationKey(position);
        EXPECT_NEAR(words[0].xMin, (600 - w) * 0.5 + 10, 0.5) << localizationKey(position);
    }
}

TEST(FenText, CornerPlacementsKeepTenPointsAndNoneSitsAtTheCorner) {
    test::TempDir dir;
    const double w = textWidth("Corner", 30);
    struct Case {
        Positions position;
        double left;
        bool top;
        double margin = 10;
    };
    for (Case c :
         {Case{Positions::topleft, 10, true}, Case{Positions::topright, 600 - w - 10, true},
          Case{Positions::bottomleft, 10, false}, Case{Positions::bottomright, 600 - w - 10, false},
          Case{Positions::none, 0, true, 0}, Case{Positions::topoddleft, 0, true, 0}}) {
        auto out = writeText(dir, "corner.pdf", test::blankPages(1), "Corner",
                             textSettings(c.position, 30, red));
        auto words = test::pdftotextBBox(out);
        ASSERT_EQ(words.size(), 1u);
        SCOPED_TRACE(std::string(localizationKey(c.position)));
        EXPECT_NEAR(words[0].xMin, c.left, 1.0);
        if (c.top) {
            // The line box starts at the margin; the glyphs a little below it.
            EXPECT_GE(words[0].yMin, c.margin - 1);
            EXPECT_LT(words[0].yMin, c.margin + 12);
        } else {
            EXPECT_GT(words[0].yMax, 800 - 10 - 12);
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
    text::AttributedString string;
    string.text = "Thrice";
    string.font = *resolvedFont("Helvetica Neue", "Regular", 40);
    const double h = string.boundingSize({600, 800}).height;
    EXPECT_NEAR(tops[1] - tops[0], (800 - h) * 0.5 - 10, 0.5);
    EXPECT_NEAR(tops[2] - tops[0], 800 - h - 20, 0.5);
    EXPECT_GE(tops[0], 10);
    EXPECT_LT(tops[0], 10 + h);
}

TEST(FenText, DiagonalTextIsTurnedFortyFiveDegreesAboutThePageCentre) {
    test::TempDir dir;
    auto diagonal = writeText(dir, "diagonal.pdf", test::blankPages(1), "DIAGONAL DIAGONAL",
                              textSettings(Positions::diagonal, 48, red));
    auto middle = writeText(dir, "middle.pdf", test::blankPages(1), "DIAGONAL DIAGONAL",
                            textSettings(Positions::middle, 48, red));
    test::Ink turned = test::inkOf(test::renderCropBox(diagonal, 1), isRed);
    test::Ink flat = test::inkOf(test::renderCropBox(middle, 1), isRed);
    ASSERT_GT(turned.count, 1000);
    ASSERT_GT(flat.count, 1000);
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
}

TEST(FenText, OutlinedTextIsStrokedNotFilled) {
    test::TempDir dir;
    auto filled = writeText(dir, "filled.pdf", test::blankPages(1), "HOLLOW",
                            textSettings(Positions::middle, 120, red));
    auto outlined = writeText(dir, "outlined.pdf", test::blankPages(1), "HOLLOW",
                              textSettings(Positions::middle, 120, red, false, true));

    EXPECT_NE(test::pdftotext(filled).find("HOLLOW"), std::string::npos);
    // Outlines are paths: nothing to extract.
    EXPECT_EQ(test::pdftotext(outlined).find("HOLLOW"), std::string::npos);

    auto filledRaster = test::renderCropBox(filled, 1);
    auto outlinedRaster = test::renderCropBox(outlined, 1);
    ASSERT_EQ(filledRaster.width, outlinedRaster.width);
    int filledInk = 0, outlineInk = 0, hollow = 0;
    for (int y = 0; y < filledRaster.height; ++y) {
        for (int x = 0; x < filledRaster.width; ++x) {
            bool f = isRed(filledRaster.at(x, y));
            bool o = isRed(outlinedRaster.at(x, y));
            filledInk += f;
            outlineInk += o;
            hollow += f && outlinedRaster.at(x, y).near({255, 255, 255}, 20);
        }
    }
    ASSERT_GT(filledInk, 5000);
    EXPECT_GT(outlineInk, 1000);
    // The insides of the strokes stay paper white.
    EXPECT_GT(hollow, filledInk / 5);
}

TEST(FenText, TextAttributesOutlineWithAPositiveStrokeOrFill) {
    text::Font font = text::Font::systemFont(20);
    auto outlined = FenText::textAttributes(font, red, true);
    EXPECT_EQ(outlined.strokeColor, red);
    EXPECT_EQ(outlined.strokeWidth, 4);
    EXPECT_FALSE(outlined.foregroundColor);
    auto filled = FenText::textAttributes(font, red, false);
    EXPECT_EQ(filled.foregroundColor, red);
    EXPECT_EQ(filled.strokeWidth, 0);
    EXPECT_TRUE(filled.font == font);
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

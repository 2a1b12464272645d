#include "rendering/FenOtherPagenumber.h"
#include "rendering/PagenumberStringConverter.h"

#include "rendering/DrawingHelpers.h"
#include "rendering/FenObjectHolder.h"
#include "rendering/FontResolution.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

#include <limits>

namespace fen {
namespace {

using Converter = PagenumberStringConverter;
using test::pageNumberSettings;
using test::pageText;
using test::wordsOnPage;

std::filesystem::path writeNumbers(const test::TempDir& dir, const std::string& name, int pages,
                                   const PageNumberSettings& settings) {
    auto job = test::makeWatermarkJob(test::blankPages(pages));
    EXPECT_TRUE(job.document);
    job.model->otherConf = settings;
    std::filesystem::path out = dir / name;
    EXPECT_TRUE(job.write(out));
    return out;
}

TEST(FenOtherPagenumber, NumbersOnlyTheRangeCountingFromStartAtZeroPaddedToTheTotal) {
    test::TempDir dir;
    auto words = test::pdftotextBBox(writeNumbers(
        dir, "range.pdf", 12,
        pageNumberSettings("Page #currentPage of #totalPages", Positions::bottomcenter, 3, 10, 1)));
    EXPECT_EQ(pageText(words, 3), "Page 1 of 10");
    EXPECT_EQ(pageText(words, 4), "Page 2 of 10");
    EXPECT_EQ(pageText(words, 10), "Page 8 of 10");
    for (int page : {1, 2, 11, 12}) {
        EXPECT_EQ(pageText(words, page), "") << "page " << page;
    }
    words = test::pdftotextBBox(
        writeNumbers(dir, "padded.pdf", 8,
                     pageNumberSettings("#currentPage of #totalPages", Positions::topright, 1, 120,
                                        1, OtherStyles::style2)));
    EXPECT_EQ(pageText(words, 7), "007 of 120");
    EXPECT_EQ(pageText(words, 1), "001 of 120");
}

TEST(FenOtherPagenumber, OddAndEvenPlacementsAlternateByPhysicalPage) {
    test::TempDir dir;
    struct Case {
        Positions position;
        bool oddOnRight;
        bool top;
    };
    for (Case c : {Case{Positions::topevenleft, true, true}, // "placement_oddTopRight"
                   Case{Positions::topoddleft, false, true},
                   Case{Positions::bottomevenleft, true, false}, // "placement_oddBottomRight"
                   Case{Positions::bottomoddleft, false, false}}) {
        SCOPED_TRACE(std::string(localizationKey(c.position)));
        // Numbering starts at 2 on page 1, so odd pages show even numbers: sides follow the
        // physical page, not the number shown.
        auto out = writeNumbers(dir, "parity.pdf", 4,
                                pageNumberSettings("No.#currentPage", c.position, 1, 4, 2));
        auto words = test::pdftotextBBox(out);
        for (int page = 1; page <= 4; ++page) {
            auto onPage = wordsOnPage(words, page);
            ASSERT_EQ(onPage.size(), 1u);
            const bool right = onPage[0].xMin > 300;
            EXPECT_EQ(right, (page % 2 == 1) == c.oddOnRight) << "page " << page;
            EXPECT_NEAR(right ? 600 - onPage[0].xMax : onPage[0].xMin, 10, 1.5);
            EXPECT_EQ(onPage[0].yMin < 400, c.top);
        }
    }
}

TEST(FenOtherPagenumber, DistancesMoveSidePlacementsInwardButNotCentredOnes) {
    test::TempDir dir;
    auto wordAt = [&](Positions position, std::int64_t vertical, std::int64_t horizontal) {
        auto settings = pageNumberSettings("Folio", position, 1, 1, 1);
        settings.distanceToEdge = {vertical, horizontal};
        auto words = test::pdftotextBBox(writeNumbers(dir, "distance.pdf", 1, settings));
        EXPECT_EQ(words.size(), 1u);
        return words.empty() ? test::WordBox{} : words[0];
    };
    // With 30 points vertically and 40 horizontally: how far the word moves right and down.
    const std::tuple<Positions, double, double> cases[] = {{Positions::topleft, 40, 30},
                                                           {Positions::bottomright, -40, -30},
                                                           {Positions::topcenter, 0, 30},
                                                           {Positions::middle, 0, 0}};
    for (const auto& [position, right, down] : cases) {
        SCOPED_TRACE(std::string(localizationKey(position)));
        test::WordBox plain = wordAt(position, 0, 0), moved = wordAt(position, 30, 40);
        EXPECT_NEAR(moved.xMin - plain.xMin, right, 0.1);
        EXPECT_NEAR(moved.yMin - plain.yMin, down, 0.1);
    }
}

TEST(FenOtherPagenumber, NoFormatOrNoSettingsDrawsNothing) {
    test::TempDir dir;
    auto settings = pageNumberSettings("Page #currentPage", Positions::topleft, 1, 3, 1);
    settings.numberTextColor->stampText.reset();
    auto out = writeNumbers(dir, "none.pdf", 2, settings);
    EXPECT_TRUE(test::pdftotextBBox(out).empty());
    // A new model's page-number settings have no format.
    auto job = test::makeWatermarkJob(test::blankPages(2));
    ASSERT_TRUE(job.write(dir / "fresh.pdf"));
    EXPECT_TRUE(test::pdftotextBBox(dir / "fresh.pdf").empty());
}

TEST(PagenumberStringConverter, ReplacesEveryTagLiterallyInOrder) {
    const std::tuple<int, int, int, const char*, OtherStyles, const char*> cases[] = {
        {3, 10, 8, "#currentPage-#currentPage", OtherStyles::style1, "3-3"},
        {3, 10, 8, "no tags here", OtherStyles::style1, "no tags here"},
        {3, 10, 8, "#CurrentPage #totalpages #lastPage", OtherStyles::style1,
         "#CurrentPage #totalpages 8"},
        {7, 120, 99, "#currentPage/#totalPages/#lastPage", OtherStyles::style2, "007/120/099"},
        {4, 12, 12, "#currentPage of #totalPages", OtherStyles::style3, "IV of XII"},
        {1, 1, 1, "", OtherStyles::style1, ""},
    };
    for (const auto& [page, total, last, format, style, text] : cases) {
        EXPECT_EQ(Converter::formatPageNumberText(page, total, last, format, style), text);
    }
}

TEST(FenOtherPagenumber, AttributedStringCountsAnAbsentPageAsOne) {
    text::Font font = text::Font::systemFont(12);
    auto string = FenOtherPagenumber::makePageNumberAttributedString(
        "#currentPage/#totalPages/#lastPage", std::nullopt, std::nullopt, font, {1, 0, 0, 1},
        OtherStyles::style1, 1, 5, 1);
    EXPECT_EQ(string.text, "1/1/5");
    EXPECT_EQ(string.foregroundColor, (gfx::Color{1, 0, 0, 1}));
    // "#lastPage" is the number shown on the last page of the range.
    for (auto [page, text] : {std::pair{2, "11/14/5"}, std::pair{5, "14/14/5"}}) {
        EXPECT_EQ(FenOtherPagenumber::makePageNumberAttributedString(
                      "#currentPage/#lastPage/#totalPages", page, 5, font, {0, 0, 0, 1},
                      OtherStyles::style1, 2, 5, 11)
                      .text,
                  text);
    }
    // Extreme stored ranges do not overflow.
    constexpr auto big = std::numeric_limits<std::int64_t>::max();
    auto extreme = FenOtherPagenumber::makePageNumberAttributedString(
        "#currentPage", 5, 1, font, {0, 0, 0, 1}, OtherStyles::style1, -big, big, big);
    EXPECT_EQ(extreme.text, std::to_string(big));
}

// A stored format past the length of the window's fields is filled as its first 32767 characters
// (a tag beyond them is not filled, however long the rest), and that is told once per scope.
TEST(FenOtherPagenumber, AFormatPastTheBoundIsFilledAsItsFirstCharactersAndToldOnce) {
    const std::size_t bound = maximumWatermarkTextLength;
    const std::string atBound = std::string(bound - 12, 'x') + "#currentPage";
    std::string accents;
    for (std::size_t i = 0; i < bound; ++i) {
        accents += "\u00E9";
    }
    const struct {
        std::string format;
        std::string filled;
        bool told;
    } cases[] = {
        {atBound, std::string(bound - 12, 'x') + "7", false},
        {atBound + "#totalPages" + std::string(1000000, 'y'), std::string(bound - 12, 'x') + "7",
         true},
        {accents + "#lastPage", accents, true},
    };
    text::Font font = text::Font::systemFont(12);
    for (const auto& c : cases) {
        EXPECT_EQ(FenOtherPagenumber::makePageNumberAttributedString(
                      c.format, 7, 9, font, {0, 0, 0, 1}, OtherStyles::style1, 1, 9, 1)
                      .text,
                  c.filled);
        std::vector<std::string> lines;
        FenObjectHolder holder;
        holder.notices = std::make_shared<WatermarkNotices>(
            [&lines](WatermarkNotices::Kind, const std::string& line) { lines.push_back(line); });
        const PageNumberSettings settings =
            pageNumberSettings(c.format, Positions::topleft, 1, 9, 1);
        holder.updateOtherObject(settings);
        holder.updateOtherObject(settings);
        EXPECT_EQ(lines, c.told ? std::vector<std::string>{"The page-number format is longer than "
                                                           "32767 characters: only its first "
                                                           "32767 are drawn."}
                                : std::vector<std::string>{});
    }
}

TEST(FenOtherPagenumber, PreviewIsDrawnUpright) {
    text::Font font = *resolvedFont("Helvetica Neue", "Regular", 18);
    gfx::Image image = FenOtherPagenumber::renderPageNumberImage(
        "#currentPage of #totalPages (#lastPage)", font, {0, 0, 0, 1}, OtherStyles::style1, 12);
    ASSERT_FALSE(image.isNull());
    // Drawn upright: ink in the upper part of the bitmap (the glyphs), clear at the very bottom.
    int inkTop = 0, inkBottomRow = 0;
    for (int x = 0; x < image.width(); ++x) {
        inkTop += (image.pixel(x, image.height() / 2) >> 24) > 128;
        inkBottomRow += (image.pixel(x, image.height() - 1) >> 24) > 128;
    }
    EXPECT_GT(inkTop, 10);
    EXPECT_EQ(inkBottomRow, 0);
    EXPECT_TRUE(
        FenOtherPagenumber::renderPageNumberImage("", font, {0, 0, 0, 1}, OtherStyles::style1, 12)
            .isNull());
}

} // namespace
} // namespace fen

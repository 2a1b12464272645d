#include "intents/PDFOutputGenerator.h"

#include "model/StartOfToday.h"
#include "platform/foundation/Uuid.h"
#include "rendering/FenObjectHolder.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <poppler.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <dirent.h>

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Points the temporary directory of this process at a fresh folder, so a test sees exactly the
// folders an operation leaves behind.
class PDFOutputGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        if (old) {
            savedTmp_ = old;
        }
        setenv("TMPDIR", tmp_.path().c_str(), 1);
    }
    void TearDown() override {
        if (savedTmp_) {
            setenv("TMPDIR", savedTmp_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    std::vector<fs::path> leftInTmp() const {
        std::vector<fs::path> entries;
        for (const auto& e : fs::directory_iterator(tmp_.path())) {
            entries.push_back(e.path());
        }
        return entries;
    }

    TempDir tmp_;
    TempDir work_;
    std::optional<std::string> savedTmp_;
};

std::string pagesPdf(int count, double width = 600, double height = 800) {
    std::vector<test::FixturePage> pages;
    for (int i = 0; i < count; ++i) {
        test::FixturePage page;
        page.media = gfx::Rect{0, 0, width, height};
        page.content = test::textOp(72, height - 100, 12, "Body" + std::to_string(i + 1));
        pages.push_back(page);
    }
    return test::makePdf(pages);
}

// Font name and size of every piece of text on a page, as poppler reads them.
struct TextRun {
    std::string text;
    std::string fontName;
    double size = 0;
};

std::vector<TextRun> textRuns(const fs::path& pdf, int pageIndex) {
    std::vector<TextRun> runs;
    GError* error = nullptr;
    gchar* uri = g_filename_to_uri(fs::absolute(pdf).c_str(), nullptr, &error);
    PopplerDocument* doc = uri ? poppler_document_new_from_file(uri, nullptr, &error) : nullptr;
    g_free(uri);
    if (!doc) {
        g_clear_error(&error);
        return runs;
    }
    PopplerPage* page = poppler_document_get_page(doc, pageIndex);
    gchar* text = poppler_page_get_text(page);
    GList* attributes = poppler_page_get_text_attributes(page);
    glong length = g_utf8_strlen(text, -1);
    for (GList* l = attributes; l; l = l->next) {
        auto* a = static_cast<PopplerTextAttributes*>(l->data);
        if (a->start_index >= length) {
            continue;
        }
        gchar* from = g_utf8_offset_to_pointer(text, a->start_index);
        gchar* to = g_utf8_offset_to_pointer(text, std::min<glong>(a->end_index + 1, length));
        runs.push_back({std::string(from, to), a->font_name ? a->font_name : "", a->font_size});
    }
    poppler_page_free_text_attributes(attributes);
    g_free(text);
    g_object_unref(page);
    g_object_unref(doc);
    return runs;
}

int openDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dirent* entry = readdir(dir)) {
        count += entry->d_name[0] != '.';
    }
    closedir(dir);
    return count;
}

TEST(PDFOutputGeneratorRecords, PageNumberRecordNumbersEveryPageInPlainDigits) {
    PageNumberSettings s = PDFOutputGenerator::pageNumberSettings(Positions::bottomright, 3);
    ASSERT_TRUE(s.numberTextColor);
    EXPECT_EQ(s.numberTextColor->stampText, "#currentPage");
    EXPECT_EQ(s.numberTextColor->stampColor, (gfx::Color{0, 0, 0, 1}));
    EXPECT_EQ(s.position, Positions::bottomright);
    EXPECT_EQ(s.font, (FontSetting{"Helvetica Neue", FontSetting::defaultStyle(), 18}));
    EXPECT_EQ(s.pagenumberConf, (PageNumberConfiguration{1, 3, 1, 3}));
    EXPECT_EQ(s.style, OtherStyles::style1);
    EXPECT_EQ(s.distanceToEdge, (DistanceToEdgeSetting{0, 0}));
}

TEST(PDFOutputGeneratorRecords, StampRecordKeepsTodayEvenWithoutTheDateLine) {
    for (bool include : {false, true}) {
        StampSettings s = PDFOutputGenerator::stampSettings("Paid", include);
        ASSERT_TRUE(s.stampTextColor);
        EXPECT_EQ(s.stampTextColor->stampText, "Paid");
        EXPECT_EQ(s.stampTextColor->stampColor, (gfx::Color{1, 0, 0, 1}));
        EXPECT_EQ(s.position, Positions::topleft);
        EXPECT_EQ(s.angle, WMAngles::auto_);
        EXPECT_EQ(s.sizeopacity, (SizeOpacitySetting{50, 50}));
        EXPECT_EQ(s.datename.isIncluded, include);
        EXPECT_EQ(s.datename.isDateActive, include);
        EXPECT_FALSE(s.datename.isNameActive);
        EXPECT_EQ(s.datename.nameValue, "");
        EXPECT_EQ(s.datename.dateValue, startOfToday());
        EXPECT_TRUE(s.datename.isDateCurrent);
        EXPECT_EQ(s.image, nullptr);
    }
}

TEST(PDFOutputGeneratorRecords, TextRecordIsDiagonalInFrontAtFortyPercent) {
    TextSettings s = PDFOutputGenerator::textSettings();
    EXPECT_EQ(s.position, Positions::diagonal);
    EXPECT_EQ(s.font, (FontSetting{"Helvetica Neue", FontSetting::defaultStyle(), 48}));
    EXPECT_EQ(s.colorOutline, (ColorOutlineSetting{{0, 0, 0, 1}, false}));
    EXPECT_EQ(s.opacity, 40);
    EXPECT_FALSE(s.isWatermarkInBackground);
}

TEST(PDFOutputGeneratorRecords, StampDateLineMakesTheStampTaller) {
    // At a fixed angle, so that only the date line can change the picture's shape.
    auto heightOf = [](bool includeDate) {
        StampSettings s = PDFOutputGenerator::stampSettings("Paid", includeDate);
        s.angle = WMAngles::d0;
        FenObjectHolder holder;
        holder.updateStampObject(s);
        EXPECT_FALSE(holder.stampImage.isNull());
        return holder.stampImage.isNull()
                   ? 0.0
                   : double(holder.stampImage.height()) / holder.stampImage.width();
    };
    double without = heightOf(false);
    double with = heightOf(true);
    EXPECT_GT(with, without * 1.15);
}

TEST_F(PDFOutputGeneratorTest, PageNumbersOnEveryPageAtTheBottomRight) {
    PDFOutput out =
        PDFOutputGenerator::watermarkFileWithPageNumber(Positions::bottomright, pagesPdf(3), "Rep");
    ASSERT_TRUE(out.location);
    fs::path file = out.location->path();
    EXPECT_EQ(file.filename(), "Rep.pdf");
    EXPECT_EQ(file.parent_path().parent_path(), tmp_.path());
    EXPECT_TRUE(isUuidString(file.parent_path().filename().string()));
    EXPECT_EQ(test::runCommand({"qpdf", "--check", file.string()}).exitCode, 0);

    std::vector<test::WordBox> numbers;
    for (const auto& w : test::pdftotextBBox(file)) {
        if (w.text.rfind("Body", 0) != 0) {
            numbers.push_back(w);
        }
    }
    ASSERT_EQ(numbers.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(numbers[i].text, std::to_string(i + 1));
        EXPECT_EQ(numbers[i].page, i + 1);
        EXPECT_NEAR(numbers[i].xMax, 600 - 10, 1.5);
        EXPECT_NEAR(numbers[i].yMax, 800 - 10, 1.5);
    }
    int numberRuns = 0;
    for (const auto& run : textRuns(file, 1)) {
        if (run.fontName.find("NimbusSans") != std::string::npos) {
            ++numberRuns;
            EXPECT_NE(run.text.find('2'), std::string::npos) << run.text;
            EXPECT_NEAR(run.size, 18, 0.01);
        }
    }
    EXPECT_GE(numberRuns, 1);
}

TEST_F(PDFOutputGeneratorTest, TextGoesDiagonallyAtFortyEightPoints) {
    PDFOutput first =
        PDFOutputGenerator::watermarkFileWithText("Confidential", pagesPdf(1), "Same");
    PDFOutput second =
        PDFOutputGenerator::watermarkFileWithText("Confidential", pagesPdf(1), "Same");
    ASSERT_TRUE(first.location && second.location);
    EXPECT_EQ(first.location->lastPathComponent(), "Same.pdf");
    EXPECT_EQ(second.location->lastPathComponent(), "Same.pdf");
    EXPECT_NE(first.location->path().parent_path(), second.location->path().parent_path());

    std::vector<test::WordBox> pieces;
    for (const auto& w : test::pdftotextBBox(first.location->path())) {
        if (w.text.rfind("Body", 0) != 0) {
            pieces.push_back(w);
        }
    }
    std::sort(pieces.begin(), pieces.end(),
              [](const auto& a, const auto& b) { return a.xMin < b.xMin; });
    std::string letters;
    for (const auto& piece : pieces) {
        letters += piece.text;
    }
    EXPECT_EQ(letters, "Confidential");
    ASSERT_GE(pieces.size(), 2u);
    // From the lower left up to the upper right at 45 degrees (y grows downwards here).
    double dx = (pieces.back().xMin + pieces.back().xMax) - (pieces[0].xMin + pieces[0].xMax);
    double dy = (pieces.back().yMin + pieces.back().yMax) - (pieces[0].yMin + pieces[0].yMax);
    EXPECT_NEAR(std::atan2(-dy, dx) * 180 / M_PI, 45, 3);
    int textRunsSeen = 0;
    for (const auto& run : textRuns(first.location->path(), 0)) {
        if (run.fontName.find("NimbusSans") != std::string::npos) {
            ++textRunsSeen;
            EXPECT_NEAR(run.size, 48, 0.01) << run.text;
        }
    }
    EXPECT_GE(textRunsSeen, 1);
}

TEST_F(PDFOutputGeneratorTest, StampIsDrawnAtTheTopLeft) {
    PDFOutput out = PDFOutputGenerator::watermarkFileWithStamp("Paid", pagesPdf(1), "S", true);
    ASSERT_TRUE(out.location);
    test::Raster raster = test::renderCropBox(out.location->path(), 1, 36);
    ASSERT_GT(raster.width, 0);
    auto reddish = [&](int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                test::Rgb p = raster.at(x, y);
                count += p.r > 200 && p.g < 180 && p.b < 180;
            }
        }
        return count;
    };
    int w = raster.width, h = raster.height;
    EXPECT_GT(reddish(0, 0, w / 2, h / 2), 100);
    EXPECT_EQ(reddish(w / 2, h / 2, w, h), 0);
}

TEST_F(PDFOutputGeneratorTest, NothingIsWrittenForBrokenOrLockedBytes) {
    PDFOutput broken =
        PDFOutputGenerator::watermarkFileWithText("X", "this is not a PDF file", "broken");
    EXPECT_FALSE(broken.location);
    EXPECT_EQ(broken.failure, SkipReason::damaged);
    PDFOutput truncated =
        PDFOutputGenerator::watermarkFileWithText("X", pagesPdf(2).substr(0, 30), "cut");
    EXPECT_FALSE(truncated.location);
    EXPECT_EQ(truncated.failure, SkipReason::damaged);
    PDFOutput locked = PDFOutputGenerator::watermarkFileWithPageNumber(
        Positions::bottomright, test::encryptPdf(pagesPdf(1), "user", "owner"), "locked");
    EXPECT_FALSE(locked.location);
    EXPECT_EQ(locked.failure, SkipReason::locked);
    EXPECT_TRUE(leftInTmp().empty());

    // Encrypted for its owner only: it opens without a password and is written without one.
    PDFOutput open = PDFOutputGenerator::watermarkFileWithPageNumber(
        Positions::bottomright, test::encryptPdf(pagesPdf(1), "", "owner"), "open");
    ASSERT_TRUE(open.location);
    EXPECT_EQ(test::runCommand({"qpdf", "--check", open.location->path().string()}).exitCode, 0);
}

TEST_F(PDFOutputGeneratorTest, NoTemporaryFolderMeansNoOutput) {
    fs::path notAFolder = work_ / "plain-file";
    test::writeFile(notAFolder, "x");
    setenv("TMPDIR", notAFolder.c_str(), 1);
    PDFOutput out = PDFOutputGenerator::watermarkFileWithText("X", pagesPdf(1), "name");
    EXPECT_FALSE(out.location);
    EXPECT_EQ(out.failure, SkipReason::noTemporaryFolder);
    EXPECT_EQ(out.detail, std::make_error_code(std::errc::not_a_directory).message());
}

TEST_F(PDFOutputGeneratorTest, HundredFilesLeaveNoOpenDescriptors) {
    std::string bytes = pagesPdf(1);
    // The first run loads fonts and caches that stay for the life of the process.
    ASSERT_TRUE(PDFOutputGenerator::watermarkFileWithText("Warm", bytes, "warm").location);
    ASSERT_TRUE(PDFOutputGenerator::watermarkFileWithStamp("Warm", bytes, "warm", true).location);
    ASSERT_TRUE(PDFOutputGenerator::watermarkFileWithPageNumber(Positions::topleft, bytes, "warm")
                    .location);
    int before = openDescriptors();
    for (int i = 0; i < 100; ++i) {
        std::string name = "f" + std::to_string(i);
        PDFOutput out =
            i % 3 == 0   ? PDFOutputGenerator::watermarkFileWithText("T", bytes, name)
            : i % 3 == 1 ? PDFOutputGenerator::watermarkFileWithStamp("S", bytes, name, i % 2 == 0)
                         : PDFOutputGenerator::watermarkFileWithPageNumber(Positions::bottomright,
                                                                           bytes, name);
        ASSERT_TRUE(out.location) << i;
    }
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(leftInTmp().size(), 103u);
}

} // namespace
} // namespace fen

#include "intents/PDFOutputGenerator.h"

#include "platform/image/ImageCodec.h"
#include "rendering/DrawingHelpers.h"
#include "storage/FenDatabaseManager.h"
#include "support/WatermarkFixtures.h"

#include "PresetTestStore.h"

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::PresetStoreTest;

std::string firstTextPresetID() {
    auto items = FenDatabaseManager::listTextPresetItems();
    return items.empty() ? std::string() : items.front().id;
}

std::vector<fs::path> written(const std::vector<PDFOutput>& outputs) {
    std::vector<fs::path> paths;
    for (const auto& output : outputs) {
        EXPECT_TRUE(output.location) << "an output was not written";
        if (output.location) {
            paths.push_back(output.location->path());
        }
    }
    return paths;
}

// The words of page `page` that lie in the lower right quarter of a square page of `size`.
std::vector<std::string> wordsInLowerRight(const fs::path& file, int page, double size = 400) {
    std::vector<std::string> words;
    for (const auto& word : test::wordsOnPage(test::pdftotextBBox(file), page)) {
        if (word.xMin > size / 2 && word.yMin > size / 2) {
            words.push_back(word.text);
        }
    }
    return words;
}

using PresetOutputGeneratorTest = PresetStoreTest;

TEST_F(PresetOutputGeneratorTest, TextPresetWritesOneFilePerStoredTextWithItsLook) {
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Look", {"Alpha", "Beta"},
                                                   test::lookAt(Positions::bottomright)));
    auto outputs = PDFOutputGenerator::watermarkFileWithPreset(
        PresetStoreKind::text, test::bodyPages(2), "Report", firstTextPresetID());
    auto files = written(outputs);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].filename(), "Report_Alpha.pdf");
    EXPECT_EQ(files[1].filename(), "Report_Beta.pdf");
    EXPECT_NE(files[0].parent_path(), files[1].parent_path());
    for (int page : {1, 2}) {
        EXPECT_EQ(wordsInLowerRight(files[0], page), std::vector<std::string>{"Alpha"});
        EXPECT_EQ(wordsInLowerRight(files[1], page), std::vector<std::string>{"Beta"});
    }
}

TEST_F(PresetOutputGeneratorTest, TextPresetGoneWritesNothingAndAnEmptyListOneCopy) {
    EXPECT_TRUE(PDFOutputGenerator::watermarkFileWithPreset(
                    PresetStoreKind::text, test::bodyPages(1), "Report", "NO-SUCH-ID")
                    .empty());
    EXPECT_TRUE(filesLeft().empty());

    ASSERT_TRUE(
        FenDatabaseManager::saveTextPreset("Empty", {}, test::lookAt(Positions::bottomright)));
    auto files = written(PDFOutputGenerator::watermarkFileWithPreset(
        PresetStoreKind::text, test::bodyPages(1), "Report", firstTextPresetID()));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename(), "Report.pdf");
    EXPECT_EQ(test::pageText(test::pdftotextBBox(files[0]), 1), "Body");
}

TEST_F(PresetOutputGeneratorTest, StampPresetAppliesItsStoredLookOrWritesAPlainCopyWhenGone) {
    ASSERT_TRUE(
        FenDatabaseManager::saveStampPreset("Red", test::redStamp("PAID", Positions::bottomright)));
    const std::string id = FenDatabaseManager::listStampPresetItems().front().id;
    auto files = written(PDFOutputGenerator::watermarkFileWithPreset(
        PresetStoreKind::stamp, test::bodyPages(1), "Report", id));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename(), "Report.pdf");
    test::Raster raster = test::renderCropBox(files[0], 1);
    test::Ink red = test::inkOf(raster, test::isRed);
    EXPECT_GT(red.count, 100);
    EXPECT_GT(red.centerX, raster.width / 2.0);
    EXPECT_GT(red.centerY, raster.height / 2.0);

    files = written(PDFOutputGenerator::watermarkFileWithPreset(
        PresetStoreKind::stamp, test::bodyPages(1), "Report", "NO-SUCH-ID"));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(test::inkOf(test::renderCropBox(files[0], 1), test::isRed).count, 0);
    EXPECT_EQ(test::pageText(test::pdftotextBBox(files[0]), 1), "Body");
}

TEST_F(PresetOutputGeneratorTest, PageNumberPresetNumbersEveryPageOfThisFile) {
    // Saved from a ten-page document, applied to a two-page file.
    ASSERT_TRUE(FenDatabaseManager::savePageNumberPreset(
        "Corner", test::pageNumbers(Positions::bottomright, 3, 10)));
    const std::string id = FenDatabaseManager::listPageNumberPresetItems().front().id;
    auto files = written(PDFOutputGenerator::watermarkFileWithPreset(
        PresetStoreKind::pageNumber, test::bodyPages(2), "Report", id));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(wordsInLowerRight(files[0], 1), std::vector<std::string>{"1"});
    EXPECT_EQ(wordsInLowerRight(files[0], 2), std::vector<std::string>{"2"});
}

TEST_F(PresetOutputGeneratorTest, ImagePresetPlacesItsStoredPictureAndLeavesNoCopyOfIt) {
    auto bitmap = makeBitmapContext(40, 40);
    bitmap->setFillColor({1, 0, 0, 1});
    bitmap->fillRect({0, 0, 40, 40});
    const fs::path picture = work_ / "logo.png";
    ASSERT_TRUE(gfx::ImageCodec::writePNG(bitmap->makeImage(), picture));
    ImageSettings look;
    look.imageURL = Url::fileURL(picture);
    look.position = Positions::topleft;
    look.sizeopacity = SizeOpacitySetting{100, 100};
    ASSERT_TRUE(FenDatabaseManager::saveImagePreset("Logo", look));
    fs::remove(picture); // the preset keeps its own copy
    const std::string id = FenDatabaseManager::listImagePresetItems().front().id;

    auto files = written(PDFOutputGenerator::watermarkFileWithPreset(
        PresetStoreKind::image, test::bodyPages(1), "Report", id));
    ASSERT_EQ(files.size(), 1u);
    test::Raster raster = test::renderCropBox(files[0], 1);
    test::Ink red = test::inkOf(raster, test::isRed);
    EXPECT_GT(red.count, 100);
    EXPECT_LT(red.centerX, raster.width / 2.0);
    EXPECT_LT(red.centerY, raster.height / 2.0);
    // Only the output is left in the temporary directory.
    EXPECT_EQ(filesLeft(), std::vector<fs::path>{files[0]});
}

TEST_F(PresetOutputGeneratorTest, BytesThatAreNoPdfGiveOneFailedOutputAndNoFile) {
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Look", {"A", "B"},
                                                   test::lookAt(Positions::bottomright)));
    ASSERT_TRUE(
        FenDatabaseManager::saveStampPreset("Red", test::redStamp("PAID", Positions::topleft)));
    for (auto [kind, id] :
         {std::pair{PresetStoreKind::text, firstTextPresetID()},
          std::pair{PresetStoreKind::stamp, FenDatabaseManager::listStampPresetItems()[0].id}}) {
        auto outputs =
            PDFOutputGenerator::watermarkFileWithPreset(kind, "no pdf here", "Report", id);
        ASSERT_EQ(outputs.size(), 1u);
        EXPECT_FALSE(outputs[0].location);
        EXPECT_EQ(outputs[0].failure, SkipReason::damaged);
    }
    EXPECT_TRUE(filesLeft().empty());
}

TEST_F(PresetOutputGeneratorTest, TextPresetWithAGivenTextNamesTheFileAtEitherEnd) {
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Look", {"Own1", "Own2"},
                                                   test::lookAt(Positions::bottomright)));
    const std::string id = firstTextPresetID();
    auto atEnd = written(PDFOutputGenerator::watermarkFileWithTextPreset(
        "Final", test::bodyPages(1), "Report", id, false));
    auto atStart = written(PDFOutputGenerator::watermarkFileWithTextPreset(
        "Final", test::bodyPages(1), "Report", id, true));
    auto cleaned = written(PDFOutputGenerator::watermarkFileWithTextPreset(
        "Q1/Q2: Final", test::bodyPages(1), "Report", id, false));
    ASSERT_EQ(atEnd.size(), 1u);
    ASSERT_EQ(atStart.size(), 1u);
    ASSERT_EQ(cleaned.size(), 1u);
    EXPECT_EQ(atEnd[0].filename(), "Report_Final.pdf");
    EXPECT_EQ(atStart[0].filename(), "Final_Report.pdf");
    EXPECT_EQ(cleaned[0].filename(), "Report_Q1Q2 Final.pdf");
    // The given text with the preset's look; the preset's own texts are not used.
    EXPECT_EQ(wordsInLowerRight(atEnd[0], 1), std::vector<std::string>{"Final"});
    EXPECT_EQ(test::pdftotext(atStart[0]).find("Own"), std::string::npos);

    EXPECT_TRUE(PDFOutputGenerator::watermarkFileWithTextPreset("Final", test::bodyPages(1),
                                                                "Report", "", false)
                    .empty());
}

} // namespace
} // namespace fen

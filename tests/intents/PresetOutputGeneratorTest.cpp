#include "intents/PDFOutputGenerator.h"

#include "storage/FenDatabaseManager.h"
#include "support/WatermarkFixtures.h"

#include "PresetTestStore.h"

// The stored looks of every kind as fenmoor-cli applies them are checked in
// CreateFromPresetsTest; here what only the operation itself shows.

namespace fen {
namespace {

namespace fs = std::filesystem;
using PresetOutputGeneratorTest = test::PresetStoreTest;

std::string firstTextPresetID() {
    auto items = FenDatabaseManager::listTextPresetItems();
    return items.empty() ? std::string() : items.front().id;
}

TEST_F(PresetOutputGeneratorTest, TextPresetGoneWritesNothingAndAnEmptyListOneCopy) {
    EXPECT_TRUE(PDFOutputGenerator::watermarkFileWithPreset(
                    PresetStoreKind::text, test::bodyPages(1), "Report", "NO-SUCH-ID")
                    .empty());
    EXPECT_TRUE(PDFOutputGenerator::watermarkFileWithTextPreset("Final", test::bodyPages(1),
                                                                "Report", "", false)
                    .empty());
    EXPECT_TRUE(filesLeft().empty());
    ASSERT_TRUE(
        FenDatabaseManager::saveTextPreset("Empty", {}, test::lookAt(Positions::bottomright)));
    auto outputs = PDFOutputGenerator::watermarkFileWithPreset(
        PresetStoreKind::text, test::bodyPages(1), "Report", firstTextPresetID());
    ASSERT_EQ(outputs.size(), 1u);
    ASSERT_TRUE(outputs[0].location);
    EXPECT_EQ(outputs[0].location->lastPathComponent(), "Report.pdf");
    EXPECT_EQ(test::pageText(test::pdftotextBBox(outputs[0].location->path()), 1), "Body");
}

TEST_F(PresetOutputGeneratorTest, ImagePresetPlacesItsStoredPictureAndLeavesNoCopyOfIt) {
    const fs::path picture = test::writeSolidPng(work_ / "logo.png", 40, 40, {1, 0, 0, 1});
    ASSERT_TRUE(FenDatabaseManager::saveImagePreset(
        "Logo", {.imageURL = Url::fileURL(picture), .position = Positions::topleft}));
    fs::remove(picture); // the preset keeps its own copy
    const std::string id = FenDatabaseManager::listImagePresetItems().front().id;
    auto outputs = PDFOutputGenerator::watermarkFileWithPreset(PresetStoreKind::image,
                                                               test::bodyPages(1), "Report", id);
    ASSERT_EQ(outputs.size(), 1u);
    ASSERT_TRUE(outputs[0].location);
    const fs::path file = outputs[0].location->path();
    EXPECT_GT(test::inkOf(test::renderCropBox(file, 1), test::isRed).count, 100);
    // Only the output is left in the temporary directory.
    EXPECT_EQ(filesLeft(), std::vector<fs::path>{file});
}

} // namespace
} // namespace fen

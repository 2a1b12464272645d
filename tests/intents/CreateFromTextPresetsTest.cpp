#include "intents/FenAppIntentCreateFromTextPresets.h"

#include "storage/FenDatabaseManager.h"
#include "support/WatermarkFixtures.h"

#include "PresetTestStore.h"

namespace fen {
namespace {

namespace fs = std::filesystem;
using CreateFromTextPresetsTest = test::PresetStoreTest;

std::vector<std::string> fileNames(const std::vector<fs::path>& paths) {
    std::vector<std::string> names;
    for (const auto& path : paths) {
        names.push_back(path.filename().string());
    }
    return names;
}

// The words of page 1 in the upper or lower half of a square page of 400 points.
std::string wordsInHalf(const fs::path& file, bool upper) {
    std::string text;
    for (const auto& word : test::wordsOnPage(test::pdftotextBBox(file), 1)) {
        if ((word.yMax < 200) == upper && word.text != "Body") {
            text += (text.empty() ? "" : " ") + word.text;
        }
    }
    return text;
}

TEST_F(CreateFromTextPresetsTest,
       TheTextGoesAtTheEndByDefaultInTheFirstLookAndBrokenFilesAreSkipped) {
    // Two presets of one name: the first saved gives the look (top left, not bottom right).
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Look", {"Own1", "Own2"},
                                                   test::lookAt(Positions::topleft)));
    ASSERT_TRUE(
        FenDatabaseManager::saveTextPreset("Look", {}, test::lookAt(Positions::bottomright)));
    test::writeFile(work_ / "Report.pdf", test::bodyPages(1));
    test::writeFile(work_ / "broken.pdf", "no pdf");
    test::writeFile(work_ / "Notes.pdf", test::bodyPages(1));
    FenAppIntentCreateFromTextPresets intent;
    intent.intentFiles = {work_ / "Report.pdf", work_ / "broken.pdf", work_ / "Notes.pdf"};
    intent.presetText = "Look";
    intent.text = "Final";
    ActionRunResult result = intent.perform();
    EXPECT_EQ(fileNames(result.outputs),
              (std::vector<std::string>{"Report_Final.pdf", "Notes_Final.pdf"}));
    EXPECT_EQ(result.skippedCount, 1u);
    ASSERT_FALSE(result.outputs.empty());
    // The given text, not the preset's own, in the first preset's look.
    EXPECT_EQ(wordsInHalf(result.outputs[0], true), "Final");
    EXPECT_EQ(wordsInHalf(result.outputs[0], false), "");
}

TEST(CreateFromTextPresetsSummary, FillsEveryParameterAndTheDefaultPosition) {
    FenAppIntentCreateFromTextPresets intent;
    intent.intentFiles = {"a.pdf"};
    intent.presetText = "Look";
    intent.text = "Final";
    EXPECT_EQ(intent.parameterSummary(), "Apply Text Preset Watermark to a.pdf with Look with "
                                         "Final, and append the text at the end of the filename.");
    intent.position = IntentFilenameTextAddedPosition::start;
    intent.presetText.reset();
    EXPECT_EQ(intent.parameterSummary(),
              "Apply Text Preset Watermark to a.pdf with Preset Name with Final, and append the "
              "text at the start of the filename.");
}

TEST_F(CreateFromTextPresetsTest, CliNamesTheFileAsAskedAndRefusesWhatIsMissing) {
    ASSERT_TRUE(
        FenDatabaseManager::saveTextPreset("Look", {"A", "B"}, test::lookAt(Positions::middle)));
    closeStore();
    const std::string input = (work_ / "Report.pdf").string();
    test::writeFile(input, test::bodyPages(1));
    auto end = cli({"create-from-text-presets", "--preset", "Look", "--text", "Final", input});
    EXPECT_EQ(end.exitCode, 0) << end.err;
    EXPECT_EQ(fs::path(end.out.substr(0, end.out.size() - 1)).filename(), "Report_Final.pdf");
    auto start = cli({"create-from-text-presets", "--preset", "Look", "--text", "Final",
                      "--position", "start", input});
    EXPECT_EQ(start.exitCode, 0) << start.err;
    ASSERT_FALSE(start.out.empty());
    const fs::path written = start.out.substr(0, start.out.size() - 1);
    EXPECT_EQ(written.filename(), "Final_Report.pdf");
    EXPECT_NE(test::pdftotext(written).find("Final"), std::string::npos);
    // Not a hidden file.
    auto dot = cli({"create-from-text-presets", "--preset", "Look", "--text", ".", "--position",
                    "start", input});
    EXPECT_EQ(dot.exitCode, 0) << dot.err;
    EXPECT_EQ(fs::path(dot.out.substr(0, dot.out.size() - 1)).filename(), "__Report.pdf");
    auto missing = cli({"create-from-text-presets", "--preset", "Gone", "--text", "X", input});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_NE(missing.err.find("no text preset is named \"Gone\""), std::string::npos);
    EXPECT_EQ(cli({"create-from-text-presets", "--preset", "", "--text", "X", input}).exitCode, 2);
    EXPECT_EQ(cli({"create-from-text-presets", "--preset", "Look", input}).exitCode, 2);
    EXPECT_EQ(cli({"create-from-text-presets", "--text", "X", input}).exitCode, 2);
    auto badPosition = cli({"create-from-text-presets", "--preset", "Look", "--text", "X",
                            "--position", "middle", input});
    EXPECT_EQ(badPosition.exitCode, 2);
    EXPECT_NE(badPosition.err.find("end, start"), std::string::npos);
    auto summary = cli({"create-from-text-presets", "--summary", "--preset", "Look", "--text",
                        "Final", "--position", "start", input});
    EXPECT_EQ(summary.exitCode, 0);
    EXPECT_EQ(summary.out, "Apply Text Preset Watermark to " + input +
                               " with Look with Final, and append the text at the start of the "
                               "filename.\n");
}

} // namespace
} // namespace fen

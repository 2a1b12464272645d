#include "intents/FenAppIntentCreateFromPresets.h"

#include "storage/FenDatabaseManager.h"
#include "support/WatermarkFixtures.h"

#include "PresetTestStore.h"

namespace fen {
namespace {

namespace fs = std::filesystem;
using CreateFromPresetsTest = test::PresetStoreTest;

using test::splitLines;

TEST_F(CreateFromPresetsTest, NamesAreMatchedWholeCaseSensitiveCanonicallyFirstSavedFirst) {
    ASSERT_TRUE(
        FenDatabaseManager::saveStampPreset("Red", test::redStamp("ONE", Positions::topleft)));
    ASSERT_TRUE(
        FenDatabaseManager::saveStampPreset("Red", test::redStamp("TWO", Positions::topleft)));
    ASSERT_TRUE(FenDatabaseManager::saveStampPreset("Caf\xC3\xA9", // "Café", precomposed
                                                    test::redStamp("C", Positions::topleft)));
    auto items = FenDatabaseManager::listStampPresetItems();
    ASSERT_EQ(items.size(), 3u);
    using Intent = FenAppIntentCreateFromPresets;
    EXPECT_EQ(Intent::presetIdentifierForName(PresetsList::stamp, "Red"), items[0].id);
    EXPECT_EQ(Intent::filterPresetItems(items, "Red").size(), 2u);
    EXPECT_EQ(Intent::presetIdentifierForName(PresetsList::stamp, "red"), "");
    EXPECT_EQ(Intent::presetIdentifierForName(PresetsList::stamp, "Red "), "");
    // "e" followed by a combining acute accent is the same text.
    EXPECT_EQ(Intent::presetIdentifierForName(PresetsList::stamp, "Cafe\xCC\x81"), items[2].id);
    // Another kind's presets are not looked at.
    EXPECT_EQ(Intent::presetIdentifierForName(PresetsList::text, "Red"), "");
}

TEST(CreateFromPresetsSummary, ShowsOnlyThePresetNameOfTheChosenKind) {
    FenAppIntentCreateFromPresets intent;
    intent.intentFiles = {"a.pdf", "dir"};
    intent.presetStamp = "Red";
    intent.presetText = "Look";
    for (auto [type, summary] : {std::pair{IntentPresetType::stamp, "Stamp with Red."},
                                 std::pair{IntentPresetType::text, "Text with Look."}}) {
        intent.type = type;
        EXPECT_EQ(intent.parameterSummary(),
                  std::string("Apply Preset Watermark to a.pdf, dir for ") + summary);
    }
    intent.type = IntentPresetType::pagenumber;
    intent.intentFiles.clear();
    EXPECT_EQ(intent.parameterSummary(),
              "Apply Preset Watermark to Document for Page Number with Preset Name.");
    EXPECT_EQ(FenAppIntentCreateFromPresets::description().title, "Create from Presets");
}

// A text preset gives one file per text, the other kinds one file; each shows the preset's look.
TEST_F(CreateFromPresetsTest, CliAppliesStoredPresetsOfEveryKindWithTheirLook) {
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Look", {"Alpha", "Beta"},
                                                   test::lookAt(Positions::bottomright)));
    ASSERT_TRUE(
        FenDatabaseManager::saveStampPreset("Red", test::redStamp("PAID", Positions::bottomright)));
    ASSERT_TRUE(FenDatabaseManager::savePageNumberPreset(
        "Corner", test::pageNumbers(Positions::bottomright, 5, 9)));
    ASSERT_TRUE(FenDatabaseManager::saveImagePreset(
        "Logo",
        {.imageURL = Url::fileURL(test::writeSolidPng(work_ / "logo.png", 40, 40, {0, 0, 1, 1})),
         .position = Positions::topleft}));
    closeStore();
    test::writeFile(work_ / "Report.pdf", test::bodyPages(2));
    auto apply = [&](const char* type, const char* preset, std::size_t files = 1) {
        auto r = cli({"create-from-presets", "--type", type, "--preset", preset,
                      (work_ / "Report.pdf").string()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err.find("fenmoor-cli:"), std::string::npos) << r.err;
        auto printed = splitLines(r.out);
        EXPECT_EQ(printed.size(), files) << r.out;
        printed.resize(files);
        return printed;
    };
    auto texts = apply("text", "Look", 2);
    EXPECT_NE(fs::path(texts[0]).parent_path(), fs::path(texts[1]).parent_path());
    EXPECT_EQ(fs::path(texts[1]).filename(), "Report_Beta.pdf");
    EXPECT_EQ(test::occurrences(test::pdftotext(texts[1]), "Beta"), 2u);
    EXPECT_EQ(test::occurrences(test::pdftotext(texts[1]), "Alpha"), 0u);
    for (const auto& word : test::wordsOnPage(test::pdftotextBBox(texts[1]), 2)) {
        EXPECT_TRUE(word.text == "Body" || std::min(word.xMin, word.yMin) > 200) << word.text;
    }
    fs::path stamped = apply("stamp", "Red")[0];
    EXPECT_EQ(stamped.filename(), "Report.pdf");
    test::Raster raster = test::renderCropBox(stamped, 2);
    test::Ink red = test::inkOf(raster, test::isRed);
    EXPECT_GT(red.count, 100);
    EXPECT_GT(std::min(red.centerX / raster.width, red.centerY / raster.height), 0.5);
    raster = test::renderCropBox(apply("image", "Logo")[0], 1);
    test::Ink blue =
        test::inkOf(raster, [](const test::Rgb& c) { return c.b > 200 && c.r < 60 && c.g < 60; });
    EXPECT_GT(blue.count, 100);
    EXPECT_LT(std::max(blue.centerX / raster.width, blue.centerY / raster.height), 0.5);
    // Saved for pages 5 to 9, applied to this file's pages.
    auto words = test::pdftotextBBox(apply("pagenumber", "Corner")[0]);
    EXPECT_EQ(test::pageText(words, 1), "Body 1");
    EXPECT_EQ(test::pageText(words, 2), "Body 2");
}

// The outputs of one input never share a name, and a long text still gives a file.
TEST_F(CreateFromPresetsTest, CliTextPresetNumbersNamesThatMeetAndCutsLongOnes) {
    const std::string longText(300, 'x');
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Look", {"A/B", "AB", longText, longText},
                                                   test::lookAt(Positions::bottomright)));
    closeStore();
    test::writeFile(work_ / "Report.pdf", test::bodyPages(1));
    auto r = cli({"create-from-presets", "--type", "text", "--preset", "Look",
                  (work_ / "Report.pdf").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto printed = splitLines(r.out);
    ASSERT_EQ(printed.size(), 4u) << r.out;
    EXPECT_EQ(fs::path(printed[0]).filename(), "Report_AB.pdf");
    EXPECT_EQ(fs::path(printed[1]).filename(), "Report_AB 2.pdf");
    EXPECT_EQ(fs::path(printed[2]).filename(), "Report_" + std::string(244, 'x') + ".pdf");
    EXPECT_EQ(fs::path(printed[3]).filename(), "Report_" + std::string(242, 'x') + " 2.pdf");
    for (const auto& path : printed) {
        EXPECT_TRUE(test::qpdfCheck(path)) << path;
    }
}

TEST_F(CreateFromPresetsTest, CliWarnsOfANameThatMatchesNothingAndRefusesAnEmptyOne) {
    ASSERT_TRUE(
        FenDatabaseManager::saveTextPreset("Look", {"A", "B"}, test::lookAt(Positions::middle)));
    closeStore();
    const std::string input = (work_ / "Report.pdf").string();
    test::writeFile(input, test::bodyPages(1));
    auto text = cli({"create-from-presets", "--type", "text", "--preset", "look", input});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.out.empty()) << text.out;
    EXPECT_NE(text.err.find("no text preset is named \"look\""), std::string::npos) << text.err;
    auto stamp = cli({"create-from-presets", "--type", "stamp", "--preset", "Red", input});
    EXPECT_EQ(stamp.exitCode, 1);
    ASSERT_EQ(splitLines(stamp.out).size(), 1u); // the unwatermarked copy
    EXPECT_EQ(fs::path(splitLines(stamp.out)[0]).filename(), "Report.pdf");
    EXPECT_EQ(test::inkOf(test::renderCropBox(splitLines(stamp.out)[0], 1), test::isRed).count, 0);
    EXPECT_NE(stamp.err.find("no stamp preset is named \"Red\""), std::string::npos);
    auto empty = cli({"create-from-presets", "--type", "text", "--preset", "", input});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_TRUE(empty.out.empty());
    auto badType = cli({"create-from-presets", "--type", "Text", "--preset", "Look", input});
    EXPECT_EQ(badType.exitCode, 2);
    EXPECT_NE(badType.err.find("text, stamp, image, pagenumber"), std::string::npos);
    EXPECT_EQ(cli({"create-from-presets", "--type", "text", "--preset", "Look", "--store",
                   (work_ / "missing.sqlite").string(), input},
                  false)
                  .exitCode,
              2);
}

TEST_F(CreateFromPresetsTest, CliListsStoredNamesAndAnEmptyStorePrintsNothing) {
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Look", {"A"}, test::lookAt(Positions::middle)));
    ASSERT_TRUE(
        FenDatabaseManager::saveTextPreset("Other look", {}, test::lookAt(Positions::middle)));
    ASSERT_TRUE(
        FenDatabaseManager::saveStampPreset("Red", test::redStamp("X", Positions::topleft)));
    ASSERT_TRUE(FenDatabaseManager::savePageNumberPreset(
        "Corner", test::pageNumbers(Positions::bottomright, 1, 2)));
    closeStore();
    for (auto [kind, names] : {std::pair{"text", "Look\nOther look\n"}, std::pair{"stamp", "Red\n"},
                               std::pair{"pagenumber", "Corner\n"}, std::pair{"image", ""}}) {
        auto listed = cli({"list-presets", kind});
        EXPECT_EQ(listed.exitCode, 0) << kind;
        EXPECT_EQ(listed.out, names);
    }
    EXPECT_EQ(cli({"list-presets", "pages"}).exitCode, 2);
    // The default store of a user who never saved anything: nothing, and nothing is created.
    test::TempDir data;
    auto fresh = test::runCommand(
        {"env", "XDG_DATA_HOME=" + data.path().string(), test::cliPath(), "list-presets", "text"});
    EXPECT_EQ(fresh.exitCode, 0) << fresh.err;
    EXPECT_EQ(fresh.out, "");
    EXPECT_EQ(fresh.err.find("fenmoor-cli:"), std::string::npos) << fresh.err;
    EXPECT_TRUE(fs::is_empty(data.path()));
    // No container folder at all: the command line says so and stops; the core only reports it.
    auto homeless = test::runCommand(
        {"env", "-u", "XDG_DATA_HOME", "-u", "HOME", test::cliPath(), "list-presets", "text"});
    EXPECT_EQ(homeless.exitCode, 1);
    EXPECT_EQ(homeless.out, "");
    EXPECT_EQ(homeless.err, "Shared file container could not be created.\n");
}

// Stored presets that cannot be read (a blob nested far too deep before its other keys, a record
// of the wrong shape) are told with the reason by list-presets and create-from-presets alike.
TEST_F(CreateFromPresetsTest, CliTellsStoredPresetsThatCannotBeReadAndExitsOne) {
    const std::string deep = std::string(300000, '[') + std::string(300000, ']');
    struct Case {
        std::string kind;
        PresetStoreKind store;
        std::string blob;
        std::string reason;
        std::size_t written; // a stamp preset's file is still written, without the stamp
    };
    const Case cases[] = {
        {"stamp", PresetStoreKind::stamp,
         R"({"lastSaved":0,"presets":[{"id":"A","name":"Red","preset":{"position":{"middle":)" +
             deep + R"(},"angle":{"d0":{}}}}]})",
         "nest deeper than 64 levels", 1},
        {"text", PresetStoreKind::text,
         R"({"lastSaved":0,"presets":[{"id":"A","name":"Red","textList":7}]})",
         "presets[0].textList: Expected an array", 0},
    };
    const std::string input = (work_ / "Report.pdf").string();
    test::writeFile(input, test::bodyPages(1));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        openStore();
        ASSERT_TRUE(CoreDataBase::shared()->savePresetsData(c.blob, c.store));
        closeStore();
        auto listed = cli({"list-presets", c.kind});
        EXPECT_EQ(listed.exitCode, 1);
        EXPECT_EQ(listed.out, "");
        EXPECT_EQ(listed.err.rfind("fenmoor-cli: the stored " + c.kind +
                                       " presets could not be "
                                       "read: ",
                                   0),
                  0u)
            << listed.err;
        EXPECT_NE(listed.err.find(c.reason), std::string::npos) << listed.err;
        auto run = cli({"create-from-presets", "--type", c.kind, "--preset", "Red", input});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(splitLines(run.out).size(), c.written) << run.out;
        ASSERT_EQ(splitLines(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("fenmoor-cli: warning: the stored " + c.kind +
                                    " presets could not be read (",
                                0),
                  0u)
            << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
}

// An image preset whose stored picture is gone, is not a picture, or is a picture too large to
// draw, leaves its watermark out of the file it still writes, says so and ends with 1, as the
// help promises.
TEST_F(CreateFromPresetsTest, CliWarnsOfAnImagePresetWithoutItsPictureAndExitsOne) {
    test::writeFile(work_ / "notes.png", "a note, not a picture");
    ASSERT_TRUE(FenDatabaseManager::saveImagePreset(
        "Notes", {.imageURL = Url::fileURL(work_ / "notes.png")}));
    ASSERT_TRUE(FenDatabaseManager::saveImagePreset(
        "Gone",
        {.imageURL = Url::fileURL(test::writeSolidPng(work_ / "logo.png", 40, 40, {0, 0, 1, 1}))}));
    test::writeFile(work_ / "huge.svg",
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100000\" "
                    "height=\"100000\"><rect width=\"9\" height=\"9\"/></svg>");
    ASSERT_TRUE(FenDatabaseManager::saveImagePreset(
        "Huge", {.imageURL = Url::fileURL(work_ / "huge.svg")}));
    const auto stored =
        std::get<Presets<ImagePreset>>(FenDatabaseManager::fetchPresets(PresetStoreKind::image));
    ASSERT_EQ(stored.presets.size(), 3u);
    CoreDataBase::shared()->deleteImageData(stored.presets[1].imageID);
    closeStore();
    test::writeFile(work_ / "Report.pdf", test::bodyPages(1));
    for (auto [name, line] :
         {std::pair{"Gone", "the picture of the image preset \"Gone\" is missing"},
          std::pair{"Notes", "the stored picture of the image preset \"Notes\" is neither a "
                             "picture nor a PDF file"},
          std::pair{"Huge", "the stored picture of the image preset \"Huge\" is too large to "
                            "draw (100000 \u00D7 100000 pixels)"}}) {
        auto r = cli({"create-from-presets", "--type", "image", "--preset", name,
                      (work_ / "Report.pdf").string()});
        EXPECT_EQ(r.exitCode, 1) << name;
        EXPECT_EQ(splitLines(r.out).size(), 1u) << r.out;
        EXPECT_EQ(r.err, std::string("fenmoor-cli: warning: ") + line +
                             "; the files are written without it\n");
    }
}

// What a stored preset brings past the drawing bound is drawn cut, or left out where it cannot
// be drawn at all, and told once for the run, however many files it writes.
TEST_F(CreateFromPresetsTest, CliTellsATextDrawnCutOrAStampLeftOutOncePerRun) {
    auto longText = [](std::string_view piece, std::size_t characters) {
        std::string text;
        while (text.size() < characters) {
            text += piece;
        }
        return text.substr(0, characters);
    };
    ASSERT_TRUE(FenDatabaseManager::saveStampPreset(
        "Long", test::redStamp(longText("APPROVED BY THE BOARD ", 32768), Positions::topleft)));
    ASSERT_TRUE(FenDatabaseManager::saveStampPreset(
        "Dashes", test::redStamp(longText("-", 32767), Positions::topleft)));
    PageNumberSettings numbers = test::pageNumbers(Positions::topleft, 1, 1);
    numbers.numberTextColor->stampText = "#currentPage " + longText("of many ", 1000000);
    ASSERT_TRUE(FenDatabaseManager::savePageNumberPreset("Long", numbers));
    closeStore();
    std::vector<std::string> inputs;
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) {
        test::writeFile(work_ / name, test::bodyPages(1));
        inputs.push_back((work_ / name).string());
    }
    const struct {
        const char* type;
        const char* preset;
        int exitCode;
        std::string told;
        std::size_t imagesPerFile; // a stamp's picture and its mask
    } cases[] = {
        {"stamp", "Long", 0,
         "fenmoor-cli: warning: The stamp text is longer than 32767 characters: only its first "
         "32767 are drawn.\n",
         2},
        {"stamp", "Dashes", 1,
         "fenmoor-cli: warning: the stamp text is too long to draw; the files are written "
         "without it\n",
         0},
        {"pagenumber", "Long", 0,
         "fenmoor-cli: warning: The page-number format is longer than 32767 characters: only its "
         "first 32767 are drawn.\n",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.preset);
        std::vector<std::string> arguments{"create-from-presets", "--type", c.type, "--preset",
                                           c.preset};
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        auto r = cli(arguments);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.err, c.told);
        auto written = splitLines(r.out);
        ASSERT_EQ(written.size(), 3u) << r.out;
        for (const auto& file : written) {
            EXPECT_EQ(test::pdfImages(file).size(), c.imagesPerFile) << file;
        }
        if (std::string(c.type) == "pagenumber") {
            EXPECT_NE(test::pdftotext(written[0]).find("1 of many of many"), std::string::npos);
        }
    }
}

TEST_F(CreateFromPresetsTest, CliUsesTheWindowsStoreReadOnly) {
    test::TempDir data;
    const fs::path store = data.path() / "fenmoor" / "FenmoorData.sqlite";
    fs::create_directories(store.parent_path());
    closeStore();
    {
        StoreLocation location;
        location.file = store;
        CoreDataBase::setShared(std::make_shared<CoreDataBase>(PersistenceController(location)));
        ASSERT_TRUE(
            FenDatabaseManager::saveTextPreset("Shared", {"A"}, test::lookAt(Positions::middle)));
        CoreDataBase::setShared(nullptr);
    }
    const std::string before = test::readFile(store);
    test::writeFile(work_ / "Report.pdf", test::bodyPages(1));
    auto env = "XDG_DATA_HOME=" + data.path().string();
    auto listed = test::runCommand({"env", env, test::cliPath(), "list-presets", "text"});
    EXPECT_EQ(listed.out, "Shared\n");
    auto run = test::runCommand({"env", env, test::cliPath(), "create-from-presets", "--type",
                                 "text", "--preset", "Shared", (work_ / "Report.pdf").string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(splitLines(run.out).size(), 1u);
    EXPECT_EQ(test::readFile(store), before);
}

} // namespace
} // namespace fen

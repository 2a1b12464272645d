#include "support/PdfFixtures.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <poppler.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;
using test::TempDir;

using test::splitLines;

std::string pagesPdf(int count) {
    return test::wordPages(count, 595, 842);
}

// Font name and size of every piece of text on a page, as poppler reads them.
struct TextRun {
    std::string text;
    std::string fontName;
    double size = 0;
};

std::vector<TextRun> textRuns(const fs::path& pdf, int pageIndex) {
    std::vector<TextRun> runs;
    gchar* uri = g_filename_to_uri(fs::absolute(pdf).c_str(), nullptr, nullptr);
    PopplerDocument* doc = uri ? poppler_document_new_from_file(uri, nullptr, nullptr) : nullptr;
    g_free(uri);
    if (!doc) {
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

// Runs fenmoor-cli with its temporary directory in a folder of the test's own, so the test sees
// every folder a run leaves behind.
class CliTest : public ::testing::Test {
protected:
    CommandResult cli(const std::vector<std::string>& args, const std::string& input = {}) {
        return test::runCli(args, input);
    }
    std::string pdf(const std::string& name, int pages = 1) {
        fs::path path = work_ / name;
        fs::create_directories(path.parent_path());
        test::writeFile(path, pagesPdf(pages));
        return path.string();
    }

    TempDir work_; // made before the temporary directory is pointed elsewhere
    test::TemporaryDirectoryScope tmp_;
};

TEST_F(CliTest, HelpShowsTitlesSummariesOptionsAndValues) {
    CommandResult top = cli({"--help"});
    EXPECT_EQ(top.exitCode, 0);
    for (const char* text :
         {"page-number", "Page Number: Apply Page Numbering to <Document> at <Position>.",
          "add-a-stamp",
          "Add a Stamp: Apply Stamp to <Document> with <Text>. Include the date is <Include Today "
          "Date>\n",
          "add-some-text", "Add Some Text: Apply word to <Document> with <Text>.", "list-values",
          "shortcuts"}) {
        EXPECT_NE(top.out.find(text), std::string::npos) << text;
    }

    CommandResult page = cli({"page-number", "--help"});
    EXPECT_EQ(page.exitCode, 0);
    for (const char* text : {"Page Number:", "--position", "default: bottomright", "--files-from",
                             "-0", "bottomoddleft", "Even Number Bottom Right", "Top Middle"}) {
        EXPECT_NE(page.out.find(text), std::string::npos) << text;
    }
    CommandResult stamp = cli({"add-a-stamp", "--help"});
    EXPECT_EQ(stamp.exitCode, 0);
    for (const char* text : {"Add a Stamp:", "--text", "--include-date", "Include Today Date"}) {
        EXPECT_NE(stamp.out.find(text), std::string::npos) << text;
    }
    CommandResult text = cli({"add-some-text", "-h"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("--text TEXT"), std::string::npos);
    EXPECT_TRUE(tmp_.entries().empty());
}

TEST_F(CliTest, ListValuesAndShortcuts) {
    CommandResult positions = cli({"list-values", "positions"});
    EXPECT_EQ(positions.exitCode, 0);
    EXPECT_EQ(positions.out, "topleft\tTop Left\ntopcenter\tTop Middle\ntopright\tTop Right\n"
                             "middle\tMiddle\nbottomleft\tBottom Left\nbottomcenter\tBottom "
                             "Center\nbottomright\tBottom Right\ntopevenleft\tEven Number Top "
                             "Left\ntopoddleft\tEven Number Top Right\nbottomevenleft\tEven "
                             "Number Bottom Left\nbottomoddleft\tEven Number Bottom Right\n");
    EXPECT_EQ(cli({"list-values", "preset-type"}).out,
              "text\tText\nstamp\tStamp\nimage\tImage\npagenumber\tPage Number\n");
    EXPECT_EQ(cli({"list-values", "text-position"}).out, "end\tend\nstart\tstart\n");
    CommandResult all = cli({"list-values"});
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_NE(all.out.find("preset-type (Type)"), std::string::npos);

    CommandResult unknown = cli({"list-values", "colours"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(splitLines(unknown.err).size(), 1u);
    EXPECT_NE(unknown.err.find("positions, preset-type, text-position"), std::string::npos);

    CommandResult shortcuts = cli({"shortcuts"});
    EXPECT_EQ(shortcuts.exitCode, 0);
    EXPECT_EQ(shortcuts.out, "Create from presets Fenmoor\tfenmoor-cli create-from-presets\n"
                             "Create from text presets Fenmoor\tfenmoor-cli "
                             "create-from-text-presets\n"
                             "Add a Stamp Fenmoor\tfenmoor-cli add-a-stamp\n"
                             "Add some Text Fenmoor\tfenmoor-cli add-some-text\n"
                             "Add Page Number Fenmoor\tfenmoor-cli page-number\n");
}

TEST_F(CliTest, UsageErrorsExitTwoWithOneLineAndProcessNothing) {
    std::string a = pdf("a.pdf");
    CommandResult badValue = cli({"page-number", "--position", "topLeft", a});
    EXPECT_EQ(badValue.exitCode, 2);
    EXPECT_EQ(badValue.out, "");
    EXPECT_EQ(splitLines(badValue.err).size(), 1u);
    EXPECT_NE(badValue.err.find("\"topLeft\""), std::string::npos);
    EXPECT_NE(badValue.err.find("topleft, topcenter, topright, middle, bottomleft, bottomcenter, "
                                "bottomright, topevenleft, topoddleft, bottomevenleft, "
                                "bottomoddleft"),
              std::string::npos);

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"add-a-stamp", a},
             {"add-some-text", a},
             {"page-number"},
             {"page-number", "--files-from", (work_ / "no-list").string()},
             {"page-number", "--bogus", a},
             {"resize", a},
             {}}) {
        CommandResult r = cli(args);
        EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.out, "") << testing::PrintToString(args);
        EXPECT_EQ(splitLines(r.err).size(), 1u) << r.err;
    }
    CommandResult unknownCommand = cli({"resize", a});
    EXPECT_EQ(splitLines(unknownCommand.err).size(), 1u);
    EXPECT_EQ(unknownCommand.err.rfind("fenmoor-cli: unknown command \"resize\"; commands: "
                                       "page-number, add-a-stamp, add-some-text, list-values, "
                                       "shortcuts",
                                       0),
              0u)
        << unknownCommand.err;
    EXPECT_TRUE(tmp_.entries().empty());
}

TEST_F(CliTest, PageNumbersAtTheBottomRightOfEveryPage) {
    CommandResult r = cli({"page-number", pdf("a.pdf", 3)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto paths = splitLines(r.out);
    ASSERT_EQ(paths.size(), 1u);
    fs::path out = paths[0];
    EXPECT_EQ(out.filename(), "a.pdf");
    EXPECT_EQ(out.parent_path().parent_path(), tmp_.path());
    EXPECT_TRUE(fs::is_regular_file(out));

    std::vector<test::WordBox> numbers;
    for (const auto& w : test::pdftotextBBox(out)) {
        if (w.text != "Body") {
            numbers.push_back(w);
        }
    }
    ASSERT_EQ(numbers.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(numbers[i].text, std::to_string(i + 1));
        EXPECT_EQ(numbers[i].page, i + 1);
        EXPECT_NEAR(numbers[i].xMax, 595 - 10, 1.5);
        EXPECT_NEAR(numbers[i].yMax, 842 - 10, 1.5);
        // 18-point digits: the line box of Nimbus Sans is about 1.0 em high.
        EXPECT_NEAR(numbers[i].yMax - numbers[i].yMin, 18, 2);
    }
    std::vector<std::string> fonts = test::pdfFonts(out);
    EXPECT_TRUE(std::any_of(fonts.begin(), fonts.end(), [](const std::string& font) {
        return font.find("NimbusSans") != std::string::npos;
    }));

    CommandResult top = cli({"page-number", "--position", "topleft", pdf("b.pdf", 1)});
    ASSERT_EQ(top.exitCode, 0);
    auto words = test::pdftotextBBox(splitLines(top.out).at(0));
    auto one = std::find_if(words.begin(), words.end(), [](auto& w) { return w.text == "1"; });
    ASSERT_NE(one, words.end());
    EXPECT_NEAR(one->xMin, 10, 1.5);
    EXPECT_NEAR(one->yMin, 10, 2.5);
}

TEST_F(CliTest, SameInputTwiceGivesTwoFilesOfTheSameNameWithTheTextDiagonalAt48Points) {
    std::string a = pdf("a.pdf");
    CommandResult r = cli({"add-some-text", "--text", "Confidential", a, a});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto paths = splitLines(r.out);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(fs::path(paths[0]).filename(), "a.pdf");
    EXPECT_EQ(fs::path(paths[1]).filename(), "a.pdf");
    EXPECT_NE(fs::path(paths[0]).parent_path(), fs::path(paths[1]).parent_path());
    for (const auto& p : paths) {
        std::vector<test::WordBox> pieces;
        for (const auto& w : test::pdftotextBBox(p)) {
            if (w.text != "Body") {
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
        int runs = 0;
        for (const auto& run : textRuns(p, 0)) {
            if (run.fontName.find("NimbusSans") != std::string::npos) {
                ++runs;
                EXPECT_NEAR(run.size, 48, 0.01) << run.text;
            }
        }
        EXPECT_GE(runs, 1);
    }
}

TEST_F(CliTest, StampAtTheTopLeftWithOrWithoutTheDate) {
    for (bool withDate : {true, false}) {
        std::vector<std::string> args = {"add-a-stamp", "--text", "Paid", pdf("a.pdf")};
        if (withDate) {
            args.insert(args.begin() + 1, "--include-date");
        }
        CommandResult r = cli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        fs::path out = splitLines(r.out).at(0);
        // The stamp is one picture on the page (with its soft mask).
        EXPECT_EQ(test::pdfImages(out).size(), 2u);
        test::Raster raster = test::renderCropBox(out, 1, 36);
        int w = raster.width, h = raster.height;
        int topLeft = 0, elsewhere = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                test::Rgb p = raster.at(x, y);
                bool red = p.r > 200 && p.g < 180 && p.b < 180;
                (x < w * 6 / 10 && y < h * 4 / 10 ? topLeft : elsewhere) += red;
            }
        }
        EXPECT_GT(topLeft, 100);
        EXPECT_EQ(elsewhere, 0);
    }
}

TEST_F(CliTest, FolderGivesExactlyItsPdfFilesInNameOrder) {
    fs::path folder = work_ / "in";
    pdf("in/b.pdf");
    pdf("in/a.PDF");
    pdf("in/.hidden.pdf");
    pdf("in/sub/c.pdf");
    test::writeFile(folder / "picture.png", "\x89PNG\r\n");
    CommandResult r = cli({"page-number", folder.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto paths = splitLines(r.out);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(fs::path(paths[0]).filename(), "a.pdf");
    EXPECT_EQ(fs::path(paths[1]).filename(), "b.pdf");
}

TEST_F(CliTest, BrokenAndLockedInputsAreSkippedAndLeaveNothingBehind) {
    std::string good = pdf("good.pdf");
    test::writeFile(work_ / "broken.pdf", "%PDF-1.7\nnothing else");
    test::writeFile(work_ / "locked.pdf", test::encryptPdf(pagesPdf(1), "secret", "secret"));
    fs::create_directories(work_ / "folder.pdf");
    CommandResult r = cli({"add-a-stamp", "--text", "Paid", (work_ / "broken.pdf").string(), good,
                           (work_ / "locked.pdf").string(), (work_ / "notes.txt").string(),
                           (work_ / "folder.pdf").string()});
    EXPECT_EQ(r.exitCode, 1);
    auto paths = splitLines(r.out);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(fs::path(paths[0]).filename(), "good.pdf");
    auto errors = splitLines(r.err);
    ASSERT_EQ(errors.size(), 4u) << r.err;
    auto has = [&](const std::string& a, const std::string& b) {
        return std::any_of(errors.begin(), errors.end(), [&](const std::string& line) {
            return line.find(a) != std::string::npos && line.find(b) != std::string::npos;
        });
    };
    EXPECT_TRUE(has("broken.pdf", "not a PDF document"));
    EXPECT_TRUE(has("locked.pdf", "protected by a password"));
    EXPECT_TRUE(has("notes.txt", "not a PDF file"));
    EXPECT_TRUE(has("folder.pdf", "a folder"));
    // Only the folder of the one written file remains.
    auto left = tmp_.entries();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], fs::path(paths[0]).parent_path());
}

TEST_F(CliTest, FailedWriteGivesNoPathAndExitOne) {
    fs::path plainFile = work_ / "not-a-folder";
    test::writeFile(plainFile, "x");
    std::string input = pdf("a.pdf");
    setenv("TMPDIR", plainFile.c_str(), 1); // the scope puts it back
    CommandResult r = cli({"page-number", input});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "fenmoor-cli: " + (work_ / "a.pdf").string() +
                         ": skipped, no temporary folder could be created for the output: Not a "
                         "directory\n");
}

// The core's messages reach standard error through the handler the command line installs.
TEST_F(CliTest, CoreMessagesGoToStandardErrorAsTheyAre) {
    std::string input = pdf("a.pdf");
    CommandResult r = test::runCommand({"env", "FENMOOR_DATA_DIR=" + (work_ / "nowhere").string(),
                                        test::cliPath(), "page-number", input});
    EXPECT_EQ(r.exitCode, 0);
    // Fontconfig says its own line first.
    const std::string line = "\nfenmoor: the font configuration " +
                             (work_ / "nowhere" / "fontconfig" / "fenmoor.conf").string() +
                             " could not be loaded\n";
    EXPECT_TRUE(r.err.ends_with(line)) << r.err;
}

TEST_F(CliTest, InputListsFromFilesAndStandardInput) {
    std::string a = pdf("with space/a.pdf");
    std::string b = pdf("b.pdf");
    fs::path list = work_ / "list.txt";
    test::writeFile(list, a + "\n\n" + b + "\n");
    CommandResult fromFile = cli({"page-number", "--files-from", list.string()});
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
    auto paths = splitLines(fromFile.out);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(fs::path(paths[0]).filename(), "a.pdf");
    EXPECT_EQ(fs::path(paths[1]).filename(), "b.pdf");

    // Given files come first, then the list; "-" is standard input.
    CommandResult fromStdin = cli({"page-number", b, "--files-from", "-"}, a + "\n");
    EXPECT_EQ(fromStdin.exitCode, 0) << fromStdin.err;
    paths = splitLines(fromStdin.out);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(fs::path(paths[0]).filename(), "b.pdf");
    EXPECT_EQ(fs::path(paths[1]).filename(), "a.pdf");

    // NUL-separated both ways: a name holding a line end stays one path.
    std::string odd = pdf("odd\nname.pdf");
    CommandResult nul =
        cli({"add-some-text", "--text", "X", "-0", "--files-from", "-"}, odd + '\0' + b + '\0');
    EXPECT_EQ(nul.exitCode, 0) << nul.err;
    auto outputs = splitLines(nul.out, '\0');
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(nul.out.back(), '\0');
    EXPECT_EQ(fs::path(outputs[0]).filename(), "odd\nname.pdf");
    EXPECT_TRUE(fs::is_regular_file(outputs[0]));
}

// Run under AddressSanitizer with leak detection (the test environment sets it): a leak in any
// of the hundred passes would end the program with a failure status.
TEST_F(CliTest, HundredOnePageInputsInOneRun) {
    std::string bytes = pagesPdf(1);
    fs::path folder = work_ / "many";
    fs::create_directories(folder);
    for (int i = 0; i < 100; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.pdf", i);
        test::writeFile(folder / name, bytes);
    }
    CommandResult r = cli({"add-some-text", "--text", "Draft", folder.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 2000);
    auto paths = splitLines(r.out);
    ASSERT_EQ(paths.size(), 100u);
    std::set<fs::path> folders;
    for (int i = 0; i < 100; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.pdf", i);
        EXPECT_EQ(fs::path(paths[i]).filename(), name);
        EXPECT_TRUE(fs::is_regular_file(paths[i]));
        folders.insert(fs::path(paths[i]).parent_path());
    }
    EXPECT_EQ(folders.size(), 100u);
}

} // namespace
} // namespace fen

#include "support/PdfFixtures.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <functional>
#include <regex>
#include <set>

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;
using test::runCli;
using test::splitLines;

// The file names of the printed paths, in order.
std::vector<std::string> names(const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (const auto& p : paths) {
        out.push_back(fs::path(p).filename().string());
    }
    return out;
}

// The words of `pdftotext -bbox` other than the fixture page's own "Body".
std::vector<test::WordBox> addedWords(const fs::path& pdf) {
    auto words = test::pdftotextBBox(pdf);
    std::erase_if(words, [](const auto& w) { return w.text == "Body"; });
    return words;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Runs fenmoor-cli with its temporary directory in a folder of the test's own, so the test sees
// every folder a run leaves behind.
class CliTest : public ::testing::Test {
protected:
    std::string pdf(const std::string& name, int pages = 1) {
        fs::path path = work_ / name;
        fs::create_directories(path.parent_path());
        test::writeFile(path, test::wordPages(pages, 595, 842));
        return path.string();
    }

    test::TempDir work_; // made before the temporary directory is pointed elsewhere
    test::TemporaryDirectoryScope tmp_;
};

TEST_F(CliTest, HelpListValuesAndShortcutsPrintTheirTexts) {
    const std::pair<std::vector<std::string>, std::vector<std::string>> helps[] = {
        {{"--help"},
         {"page-number", "Page Number: Apply Page Numbering to <Document> at <Position>.",
          "add-a-stamp",
          "Add a Stamp: Apply Stamp to <Document> with <Text>. Include the date is <Include Today "
          "Date>\n",
          "add-some-text", "Add Some Text: Apply word to <Document> with <Text>.", "list-values",
          "shortcuts"}},
        {{"page-number", "--help"},
         {"Page Number:", "--position", "default: bottomright", "--files-from", "-0",
          "bottomoddleft", "Even Number Bottom Right", "Top Middle"}},
        {{"add-a-stamp", "--help"},
         {"Add a Stamp:", "--text", "--include-date", "Include Today Date"}},
        {{"add-some-text", "-h"}, {"--text TEXT"}},
        {{"list-values"}, {"preset-type (Type)"}},
    };
    for (const auto& [args, texts] : helps) {
        SCOPED_TRACE(testing::PrintToString(args));
        CommandResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 0);
        for (const auto& text : texts) {
            EXPECT_TRUE(contains(r.out, text)) << text;
        }
    }

    const std::pair<std::vector<std::string>, std::string> pinned[] = {
        {{"list-values", "positions"},
         "topleft\tTop Left\ntopcenter\tTop Middle\ntopright\tTop Right\nmiddle\tMiddle\n"
         "bottomleft\tBottom Left\nbottomcenter\tBottom Center\nbottomright\tBottom Right\n"
         "topevenleft\tEven Number Top Left\ntopoddleft\tEven Number Top Right\n"
         "bottomevenleft\tEven Number Bottom Left\nbottomoddleft\tEven Number Bottom Right\n"},
        {{"list-values", "preset-type"},
         "text\tText\nstamp\tStamp\nimage\tImage\npagenumber\tPage Number\n"},
        {{"list-values", "text-position"}, "end\tend\nstart\tstart\n"},
        {{"shortcuts"},
         "Create from presets Fenmoor\tfenmoor-cli create-from-presets\n"
         "Create from text presets Fenmoor\tfenmoor-cli create-from-text-presets\n"
         "Add a Stamp Fenmoor\tfenmoor-cli add-a-stamp\n"
         "Add some Text Fenmoor\tfenmoor-cli add-some-text\n"
         "Add Page Number Fenmoor\tfenmoor-cli page-number\n"},
    };
    for (const auto& [args, out] : pinned) {
        CommandResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, out);
    }
    EXPECT_TRUE(tmp_.entries().empty());
}

TEST_F(CliTest, UsageErrorsExitTwoWithOneLineAndProcessNothing) {
    std::string a = pdf("a.pdf");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"page-number", "--position", "topLeft", a},
         "\"topLeft\".*topleft, topcenter, topright, middle, bottomleft, bottomcenter, "
         "bottomright, topevenleft, topoddleft, bottomevenleft, bottomoddleft"},
        {{"list-values", "colours"}, "positions, preset-type, text-position"},
        {{"resize", a},
         "^fenmoor-cli: unknown command \"resize\"; commands: page-number, add-a-stamp, "
         "add-some-text, list-values, shortcuts"},
        {{"add-a-stamp", a}, ""},
        {{"add-some-text", a}, ""},
        {{"page-number"}, ""},
        {{"page-number", "--files-from", (work_ / "no-list").string()}, ""},
        {{"page-number", "--bogus", a}, ""},
        {{}, ""},
    };
    for (const auto& [args, said] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        CommandResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(splitLines(r.err).size(), 1u) << r.err;
        EXPECT_TRUE(std::regex_search(r.err, std::regex(said))) << r.err;
    }
    EXPECT_TRUE(tmp_.entries().empty());
}

// Each command's defaults and options as the command line sets them; how the watermark itself is
// drawn is pinned by the rendering and intents tests, which write through the same code.
TEST_F(CliTest, EachCommandWritesEachInputToAFolderOfItsOwn) {
    std::string a = pdf("a.pdf", 3);
    auto stampAtTopLeft = [](const fs::path& out) {
        // The stamp is one picture (with its soft mask) on each of the three pages.
        EXPECT_EQ(test::pdfImages(out).size(), 6u);
        test::Raster raster = test::renderCropBox(out, 1, 36);
        test::Ink ink = test::inkOf(
            raster, [](const test::Rgb& p) { return p.r > 200 && p.g < 180 && p.b < 180; });
        EXPECT_GT(ink.count, 100);
        EXPECT_LT(ink.maxX, raster.width * 6 / 10);
        EXPECT_LT(ink.maxY, raster.height * 4 / 10);
    };
    const std::pair<std::vector<std::string>, std::function<void(const fs::path&)>> cases[] = {
        {{"page-number", a},
         [](const fs::path& out) {
             auto numbers = addedWords(out);
             ASSERT_EQ(numbers.size(), 3u);
             for (int i = 0; i < 3; ++i) {
                 EXPECT_EQ(numbers[i].text, std::to_string(i + 1));
                 EXPECT_EQ(numbers[i].page, i + 1);
                 EXPECT_NEAR(numbers[i].xMax, 595 - 10, 1.5);
                 EXPECT_NEAR(numbers[i].yMax, 842 - 10, 1.5);
             }
         }},
        {{"page-number", "--position", "topleft", a},
         [](const fs::path& out) {
             auto numbers = addedWords(out);
             ASSERT_EQ(numbers.size(), 3u);
             EXPECT_NEAR(numbers[0].xMin, 10, 1.5);
             EXPECT_NEAR(numbers[0].yMin, 10, 2.5);
         }},
        // The same input twice gives two files of the same name in two folders.
        {{"add-some-text", "--text", "Confidential", a, a},
         [](const fs::path& out) {
             auto pieces = test::wordsOnPage(addedWords(out), 1);
             std::sort(pieces.begin(), pieces.end(),
                       [](const auto& l, const auto& r) { return l.xMin < r.xMin; });
             std::string letters;
             for (const auto& piece : pieces) {
                 letters += piece.text;
             }
             EXPECT_EQ(letters, "Confidential");
         }},
        {{"add-a-stamp", "--text", "Paid", a}, stampAtTopLeft},
        {{"add-a-stamp", "--include-date", "--text", "Paid", a}, stampAtTopLeft},
    };
    for (const auto& [args, check] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        CommandResult r = runCli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        auto paths = splitLines(r.out);
        EXPECT_EQ(paths.size(), std::size_t(std::count(args.begin(), args.end(), a)));
        std::set<fs::path> folders;
        for (const fs::path out : paths) {
            EXPECT_EQ(out.filename(), "a.pdf");
            EXPECT_EQ(out.parent_path().parent_path(), tmp_.path());
            folders.insert(out.parent_path());
            check(out);
        }
        EXPECT_EQ(folders.size(), paths.size());
    }
}

// A number at a horizontally centred placement sits 10 points right of the page's true centre.
TEST_F(CliTest, CentredPageNumbersSitTenPointsRightOfTheCentre) {
    std::string a = pdf("a.pdf");
    for (const char* position : {"topcenter", "bottomcenter", "middle"}) {
        SCOPED_TRACE(position);
        CommandResult r = runCli({"page-number", "--position", position, a});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        auto numbers = addedWords(splitLines(r.out).at(0));
        ASSERT_EQ(numbers.size(), 1u);
        EXPECT_EQ(numbers[0].text, "1");
        EXPECT_NEAR((numbers[0].xMin + numbers[0].xMax) / 2, 595 / 2.0 + 10, 1.5);
    }
}

// A page a viewer turns a quarter clockwise (842 wide and 595 high as shown): the number stands
// upright at the shown page's bottom right, and a diagonal text rises across the shown page.
TEST_F(CliTest, OnATurnedPageNumbersAndTextStandAsAReaderSeesThePage) {
    const fs::path turned = work_ / "turned.pdf";
    test::writeFile(
        turned, test::makePdf({test::FixturePage{.media = gfx::Rect{0, 0, 595, 842},
                                                 .rotate = 90,
                                                 .content = test::textOp(72, 742, 12, "Body")}}));
    CommandResult r = runCli({"page-number", "--position", "bottomright", turned.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string written = splitLines(r.out).at(0);
    const std::string info = test::runCommand({"pdfinfo", written}).out;
    EXPECT_TRUE(std::regex_search(info, std::regex("Page rot:\\s+90\\n"))) << info;
    auto numbers = addedWords(written);
    ASSERT_EQ(numbers.size(), 1u);
    const test::WordBox& number = numbers[0];
    EXPECT_EQ(number.text, "1");
    EXPECT_GT(number.yMax - number.yMin, number.xMax - number.xMin);
    EXPECT_NEAR(number.xMax, 842 - 10, 1.5);
    EXPECT_GT(number.yMax, 595 - 25);
    EXPECT_LT(number.yMax, 595 - 5);

    // The text's diagonal reads from the shown page's lower left up to its upper right.
    CommandResult text = runCli({"add-some-text", "--text", "Draft", turned.string()});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    auto letters = addedWords(splitLines(text.out).at(0));
    auto centreOf = [&](char letter) {
        auto word = std::ranges::find_if(
            letters, [&](const auto& w) { return w.text.find(letter) != std::string::npos; });
        EXPECT_NE(word, letters.end()) << letter;
        return word == letters.end()
                   ? std::pair(0.0, 0.0)
                   : std::pair((word->xMin + word->xMax) / 2, (word->yMin + word->yMax) / 2);
    };
    const auto [firstX, firstY] = centreOf('D');
    const auto [lastX, lastY] = centreOf('t');
    EXPECT_LT(firstX + 30, lastX);
    EXPECT_GT(firstY - 30, lastY);
}

// What a write added to each page, decoded: its content streams other than the original
// `original`, then the forms they draw; a 64-bit FNV-1a digest of them, in hexadecimal.
std::string addedLayerDigest(const fs::path& pdf, const std::string& original) {
    QPDF file;
    file.processFile(pdf.string().c_str());
    auto decoded = [](QPDFObjectHandle stream) {
        std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
        return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    };
    std::string bytes;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(file).getAllPages()) {
        for (QPDFObjectHandle stream : page.getPageContents()) {
            if (std::string data = decoded(stream); data != original) {
                bytes += data;
            }
        }
        for (const auto& [name, form] : page.getFormXObjects()) {
            bytes += name + decoded(form);
        }
    }
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// Pages without /Rotate, one with its boxes away from the origin, get the very watermark layers
// they always got: drawing on turned pages changes nothing for them.
TEST_F(CliTest, UnturnedPagesGetTheSameWatermarkLayersAsBefore) {
    const std::string original = test::textOp(72, 700, 12, "Body");
    const fs::path input = work_ / "unturned.pdf";
    test::writeFile(input, test::makePdf({test::FixturePage{.content = original},
                                          test::FixturePage{.media = gfx::Rect{10, 20, 612, 792},
                                                            .crop = gfx::Rect{40, 60, 460, 640},
                                                            .content = original}}));
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"page-number", "--position", "topleft"}, "063169057010f8b4"},
        {{"page-number", "--position", "bottomright"}, "6f92ed59b84cf6e7"},
        {{"add-some-text", "--text", "Draft"}, "b7c8fc5260dc94d6"},
    };
    for (const auto& [arguments, digest] : cases) {
        SCOPED_TRACE(arguments.back());
        std::vector<std::string> run = arguments;
        run.push_back(input.string());
        CommandResult r = runCli(run);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(addedLayerDigest(splitLines(r.out).at(0), original), digest);
    }
}

TEST_F(CliTest, InputsFromListsAndStandardInput) {
    // What a folder gives is pinned by the input collection's tests; here, the lists read.
    std::string a = pdf("with space/a.pdf");
    std::string b = pdf("b.pdf");
    test::writeFile(work_ / "list.txt", a + "\n\n" + b + "\n");
    CommandResult fromFile = runCli({"page-number", "--files-from", (work_ / "list.txt").string()});
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_EQ(names(splitLines(fromFile.out)), (std::vector<std::string>{"a.pdf", "b.pdf"}));

    // Given files come first, then the list; "-" is standard input.
    CommandResult fromStdin = runCli({"page-number", b, "--files-from", "-"}, a + "\n");
    EXPECT_EQ(fromStdin.exitCode, 0) << fromStdin.err;
    EXPECT_EQ(names(splitLines(fromStdin.out)), (std::vector<std::string>{"b.pdf", "a.pdf"}));

    // NUL-separated both ways: a name holding a line end stays one path.
    std::string odd = pdf("odd\nname.pdf");
    CommandResult nul =
        runCli({"add-some-text", "--text", "X", "-0", "--files-from", "-"}, odd + '\0' + b + '\0');
    EXPECT_EQ(nul.exitCode, 0) << nul.err;
    auto outputs = splitLines(nul.out, '\0');
    EXPECT_EQ(names(outputs), (std::vector<std::string>{"odd\nname.pdf", "b.pdf"}));
    EXPECT_EQ(nul.out.back(), '\0');
    EXPECT_TRUE(fs::is_regular_file(outputs.at(0)));
}

// The core's messages reach standard error through the handler the command line installs, named
// as the program's own like its other warnings.
TEST_F(CliTest, CoreMessagesGoToStandardErrorAsTheProgramsOwn) {
    CommandResult r = test::runCommand({"env", "FENMOOR_DATA_DIR=" + (work_ / "nowhere").string(),
                                        test::cliPath(), "page-number", pdf("a.pdf")});
    EXPECT_EQ(r.exitCode, 0);
    // Fontconfig says its own line first.
    EXPECT_TRUE(r.err.ends_with("\nfenmoor-cli: warning: the font configuration " +
                                (work_ / "nowhere/fontconfig/fenmoor.conf").string() +
                                " could not be loaded\n"))
        << r.err;
}

} // namespace
} // namespace fen

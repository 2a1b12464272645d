#include "storage/ListOfTextImporter.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace fen {
namespace {

using Texts = std::vector<std::string>;

class TextListImportTest : public ::testing::Test {
protected:
    Texts import(const std::string& name, const std::string& bytes) {
        auto path = dir_ / name;
        test::writeFile(path, bytes);
        return ListOfTextImporter::importTexts(Url::fileURL(path));
    }

    test::TempDir dir_;
};

TEST_F(TextListImportTest, OneTextPerNonEmptyLine) {
    EXPECT_EQ(import("a.txt", "A\nB\n\nC\n"), (Texts{"A", "B", "C"}));
    EXPECT_EQ(import("crlf.txt", "one\r\ntwo\r\n\r\nthree"), (Texts{"one", "two", "three"}));
    EXPECT_EQ(import("cr.txt", "x\ry"), (Texts{"x", "y"}));
    // Comma- and tab-separated lines stay whole.
    EXPECT_EQ(import("list.csv", "a,b\nc\td\n"), (Texts{"a,b", "c\td"}));
    EXPECT_TRUE(import("empty.txt", "").empty());
    EXPECT_TRUE(import("breaks.txt", "\n\r\n\n").empty());
}

TEST_F(TextListImportTest, LinesAreNeverTrimmed) {
    EXPECT_EQ(import("blanks.txt", "  x  \n   \n\tTab\t\n"), (Texts{"  x  ", "   ", "\tTab\t"}));
}

TEST_F(TextListImportTest, EveryNewlineCharacterEndsALine) {
    // VT, FF, NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR; other characters of those lead bytes stay.
    std::string text = "a\vb\fc\xC2\x85"
                       "d\xE2\x80\xA8"
                       "e\xE2\x80\xA9"
                       "f\xE2\x80\xA6g\xC2\xA0h";
    EXPECT_EQ(import("separators.txt", text),
              (Texts{"a", "b", "c", "d", "e", "f\xE2\x80\xA6g\xC2\xA0h"}));
}

TEST_F(TextListImportTest, ByteOrderMarksNameTheEncoding) {
    // "Ä€\n" + "z" in UTF-16 LE and BE, and in UTF-32 LE, each with its mark.
    EXPECT_EQ(import("le16.txt", std::string("\xFF\xFE\xC4\x00\xAC\x20\n\x00z\x00", 10)),
              (Texts{"\xC3\x84\xE2\x82\xAC", "z"}));
    EXPECT_EQ(import("be16.txt", std::string("\xFE\xFF\x00\xC4\x20\xAC\x00\r\x00\n\x00z", 12)),
              (Texts{"\xC3\x84\xE2\x82\xAC", "z"}));
    EXPECT_EQ(import("le32.txt", std::string("\xFF\xFE\x00\x00"
                                             "A\x00\x00\x00\n\x00\x00\x00"
                                             "\x00\xF6\x01\x00",
                                             16)),
              (Texts{"A", "\xF0\x9F\x98\x80"}));
    // The UTF-8 mark is not part of the first text.
    EXPECT_EQ(import("bom8.txt", "\xEF\xBB\xBFone\ntwo"), (Texts{"one", "two"}));
    // A mark followed by bytes that are not that encoding gives nothing.
    EXPECT_TRUE(import("badle16.txt", std::string("\xFF\xFE\x00\xD8", 4)).empty());
}

TEST_F(TextListImportTest, EightBitEncodingsAreDetected) {
    EXPECT_EQ(import("latin1.txt", "Stra\xDF"
                                   "e und Gr\xFC\xDF"
                                   "e aus K\xF6ln\nCaf\xE9 cr\xE8me\n"),
              (Texts{"Stra\xC3\x9F"
                     "e und Gr\xC3\xBC\xC3\x9F"
                     "e aus K\xC3\xB6ln",
                     "Caf\xC3\xA9 cr\xC3\xA8me"}));
    // "Съешь же ещё этих мягких французских булок" in Windows-1251.
    std::string cp1251 = "\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8 \xFD\xF2\xE8\xF5 "
                         "\xEC\xFF\xE3\xEA\xE8\xF5 \xF4\xF0\xE0\xED\xF6\xF3\xE7\xF1\xEA\xE8\xF5 "
                         "\xE1\xF3\xEB\xEE\xEA\n";
    Texts russian = import("cp1251.txt", cp1251);
    ASSERT_EQ(russian.size(), 1u);
    EXPECT_EQ(russian[0].substr(0, 10), "\xD0\xA1\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C");
    // Valid UTF-8 is read as UTF-8, whatever detection would guess for so short a text.
    EXPECT_EQ(import("utf8.txt", "Caf\xC3\xA9\n"), (Texts{"Caf\xC3\xA9"}));
}

TEST_F(TextListImportTest, NoTextsFromWhatIsNoTextFile) {
    std::mt19937 random(11);
    std::string noise(4096, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    EXPECT_TRUE(import("noise.bin", noise).empty());
    std::string noNul = noise;
    for (char& c : noNul) {
        c = c == 0 ? 'x' : c;
    }
    EXPECT_TRUE(import("noise2.txt", noNul).empty());
    EXPECT_TRUE(import("png.txt", std::string("\x89PNG\r\n\x1A\n\x00\x00\x00\rIHDR", 16)).empty());

    // A folder, an RTFD package (a folder as well), a missing file, and no file URL at all.
    EXPECT_TRUE(ListOfTextImporter::importTexts(Url::fileURL(dir_.path())).empty());
    std::filesystem::create_directory(dir_ / "Notes.rtfd");
    test::writeFile(dir_ / "Notes.rtfd" / "TXT.rtf", "{\\rtf1 hidden\\par}");
    EXPECT_TRUE(ListOfTextImporter::importTexts(Url::fileURL(dir_ / "Notes.rtfd")).empty());
    EXPECT_TRUE(ListOfTextImporter::importTexts(Url::fileURL(dir_ / "missing.txt")).empty());
    EXPECT_TRUE(
        ListOfTextImporter::importTexts(*Url::fromString("https://example.com/a.txt")).empty());
}

TEST_F(TextListImportTest, RtfFilesGiveTheirParagraphs) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl\\f0\\fswiss Helvetica;}"
                      "{\\colortbl;\\red255\\green0\\blue0;}\n"
                      "\\f0\\b Caf\\'e9 \\b0 au lait\\par\n"
                      "{\\cf1 Price: 5\\u8364?}\\par\n}";
    Texts expected{"Caf\xC3\xA9 au lait", "Price: 5\xE2\x82\xAC"};
    EXPECT_EQ(import("two.rtf", rtf), expected);
    EXPECT_EQ(import("UPPER.RTF", rtf), expected);
    // RTF content is recognised whatever the file is called.
    EXPECT_EQ(import("two.txt", rtf), expected);
    // A file called RTF that is none gives nothing, and so does a broken one.
    EXPECT_TRUE(import("plain.rtf", "just text\n").empty());
    EXPECT_TRUE(import("deep.rtf", "{\\rtf1 " + std::string(5000, '{') + "x").empty());

    auto text = ListOfTextImporter::attributedText(Url::fileURL(dir_ / "two.rtf"));
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "Caf\xC3\xA9 au lait\nPrice: 5\xE2\x82\xAC\n");
    EXPECT_FALSE(ListOfTextImporter::attributedText(Url::fileURL(dir_ / "plain.rtf")));
}

} // namespace
} // namespace fen

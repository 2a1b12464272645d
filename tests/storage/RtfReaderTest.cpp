#include "storage/RtfReader.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

std::string text(const std::string& rtf) {
    auto result = RtfReader::plainText(rtf);
    EXPECT_TRUE(result) << rtf;
    return result.value_or("<none>");
}

TEST(RtfReaderTest, ParagraphsBreaksTabsAndEscapes) {
    EXPECT_EQ(text("{\\rtf1 First\\par Second\\line Third\\tab end\\par}"),
              "First\nSecond\nThird\tend\n");
    // Escaped braces and backslash; raw line ends in the source are no text.
    EXPECT_EQ(text("{\\rtf1 a\\{b\\}c\\\\d\r\ne}"), "a{b}c\\de");
    // A control word ends at its delimiting blank; further blanks are text.
    EXPECT_EQ(text("{\\rtf1\\b  bold\\b0\\i x}"), " boldx");
    // The paragraph form of the other platform's writer: a backslash before the line end.
    EXPECT_EQ(text("{\\rtf1 one\\\ntwo\\\r\n}"), "one\ntwo\n");
    EXPECT_EQ(text("{\\rtf1 a\\~b\\-c\\emdash d\\ldblquote q\\rdblquote}"),
              "a\xC2\xA0"
              "bc\xE2\x80\x94"
              "d\xE2\x80\x9Cq\xE2\x80\x9D");
    // Table cells and rows.
    EXPECT_EQ(text("{\\rtf1\\trowd a\\cell b\\cell\\row}"), "a\tb\t\n");
}

TEST(RtfReaderTest, DestinationsWithoutDocumentTextAreSkipped) {
    std::string rtf = "{\\rtf1\\ansi\\deff0"
                      "{\\fonttbl{\\f0\\froman Times;}{\\f1\\fswiss{\\*\\panose 0}Arial;}}"
                      "{\\colortbl;\\red0\\green0\\blue0;}"
                      "{\\stylesheet{\\s0 Normal;}}"
                      "{\\info{\\title Secret title}{\\author Me}}"
                      "{\\*\\generator Writer 1.0;}"
                      "{\\header Page header\\par}"
                      "{\\*\\unknowndestination ignored}"
                      "Visible "
                      "{\\pict\\pngblip 89504e47}"
                      "{\\pict\\bin6 }{\\}x}}"
                      "{\\field{\\*\\fldinst HYPERLINK \"https://example.com\"}{\\fldrslt link}}"
                      " text\\par}";
    EXPECT_EQ(text(rtf), "Visible link text\n");
}

TEST(RtfReaderTest, HexBytesFollowTheDocumentsCodePage) {
    EXPECT_EQ(text("{\\rtf1\\ansi Caf\\'e9 \\'80}"), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(text("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}"), "\xD0\x9F\xD1\x80\xD0\xB8");
    EXPECT_EQ(text("{\\rtf1\\mac \\'8e}"), "\xC3\xA9");
    EXPECT_EQ(text("{\\rtf1\\pc \\'82}"), "\xC3\xA9");
    // Two bytes of a double-byte code page make one character.
    EXPECT_EQ(text("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}"), "\xE3\x81\x82");
    // An 8-bit byte written as is counts like \'hh.
    EXPECT_EQ(text("{\\rtf1\\ansi Caf\xE9}"), "Caf\xC3\xA9");
    // A font's character set overrides the document's code page while the font is in use.
    std::string fonts = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 "
                        "Arial;}{\\f1\\fnil\\fcharset204 Arial Cyr;}{\\f2\\fnil\\fcharset161 "
                        "Greek;}}";
    EXPECT_EQ(text(fonts + "\\'e9{\\f1 \\'e9}\\f2\\'e1\\f0\\'e9}"),
              "\xC3\xA9\xD0\xB9\xCE\xB1\xC3\xA9");
    // A code page that iconv does not know falls back to Windows-1252.
    EXPECT_EQ(text("{\\rtf1\\ansi\\ansicpg99999 \\'e9}"), "\xC3\xA9");
    // A broken \' escape is dropped.
    EXPECT_EQ(text("{\\rtf1 a\\'zzb\\'4}"), "azzb4");
}

TEST(RtfReaderTest, UnicodeCharactersAndTheirFallbacks) {
    EXPECT_EQ(text("{\\rtf1 5\\u8364?}"), "5\xE2\x82\xAC");
    // \uc sets how many fallback characters follow; \'hh counts as one; groups restore it.
    EXPECT_EQ(text("{\\rtf1\\uc2 \\u8364\\'80\\'80 {\\uc0\\u233 x}\\u233ab}"),
              "\xE2\x82\xAC \xC3\xA9x\xC3\xA9");
    // Negative values, surrogate pairs and a lone surrogate.
    EXPECT_EQ(text("{\\rtf1\\u-4064?}"), "\xEF\x80\xA0");
    EXPECT_EQ(text("{\\rtf1\\u-10179?\\u-8704?}"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(text("{\\rtf1\\u-10179?x}"), "\xEF\xBF\xBDx");
    // A fallback that a group end cuts short.
    EXPECT_EQ(text("{\\rtf1\\uc3{\\u233}abc}"), "\xC3\xA9"
                                                "abc");
}

TEST(RtfReaderTest, DocumentsAsEditorsWriteThem) {
    std::string textEdit =
        "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n"
        "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n"
        "{\\colortbl;\\red255\\green255\\blue255;}\n{\\*\\expandedcolortbl;;}\n"
        "\\paperw11900\\paperh16840\\margl1440\\margr1440\\vieww11520\\viewh8400\\viewkind0\n"
        "\\pard\\tx566\\tx1133\\pardirnatural\\partightenfactor0\n\n"
        "\\f0\\fs24 \\cf0 First line\\\nSecond line \\'e9\\\nThird \\uc0\\u8364 }";
    EXPECT_EQ(text(textEdit), "First line\nSecond line \xC3\xA9\nThird \xE2\x82\xAC");

    std::string wordPad =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\nouicompat\\deflang1049{\\fonttbl{"
        "\\f0\\fnil\\fcharset204 Calibri;}}\r\n{\\*\\generator Riched20 "
        "10.0.19041}\\viewkind4\\uc1 \r\n\\pard\\sa200\\sl276\\slmult1\\f0\\fs22"
        "\\lang1049 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par\r\n\\'cc\\'e8\\'f0\\par\r\n}";
    EXPECT_EQ(text(wordPad), "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n"
                             "\xD0\x9C\xD0\xB8\xD1\x80\n");
}

TEST(RtfReaderTest, MalformedInput) {
    EXPECT_FALSE(RtfReader::plainText(""));
    EXPECT_FALSE(RtfReader::plainText("plain text"));
    EXPECT_FALSE(RtfReader::plainText("{\\rt"));
    EXPECT_FALSE(RtfReader::plainText("{\\rtf1 " + std::string(2000, '{')));
    EXPECT_TRUE(RtfReader::plainText("{\\rtf1 " + std::string(900, '{') + "x"));
    // Leading blanks and a UTF-8 mark are allowed; a document cut short gives what was read.
    EXPECT_EQ(text("\xEF\xBB\xBF  \n{\\rtf1 cut\\par short"), "cut\nshort");
    EXPECT_EQ(text("{\\rtf1 a\\"), "a");
    EXPECT_EQ(text("{\\rtf1 a\\u"), "a");
    EXPECT_EQ(text("{\\rtf1 a\\bin999999999"), "a");
    EXPECT_EQ(text("{\\rtf1 a\\u99999999999999999999? b}"), "a\xEF\xBF\xBD b");
    // Whatever follows the closing brace of the document is not read.
    EXPECT_EQ(text("{\\rtf1 a}b}c"), "a");
}

} // namespace
} // namespace fen

#include "storage/RtfReader.h"

#include <gtest/gtest.h>

#include <utility>

namespace fen {
namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

void expectTexts(const Cases& cases) {
    for (const auto& [rtf, expected] : cases) {
        EXPECT_EQ(RtfReader::plainText(rtf).value_or("<none>"), expected) << rtf;
    }
}

TEST(RtfReaderTest, ParagraphsBreaksTabsAndEscapes) {
    expectTexts({
        {"{\\rtf1 First\\par Second\\line Third\\tab end\\par}", "First\nSecond\nThird\tend\n"},
        // Escaped braces and backslash; raw line ends in the source are no text.
        {"{\\rtf1 a\\{b\\}c\\\\d\r\ne}", "a{b}c\\de"},
        // A control word ends at its delimiting blank; further blanks are text.
        {"{\\rtf1\\b  bold\\b0\\i x}", " boldx"},
        // The paragraph form some RTF writers use: a backslash before the line end.
        {"{\\rtf1 one\\\ntwo\\\r\n}", "one\ntwo\n"},
        {"{\\rtf1 a\\~b\\-c\\emdash d\\ldblquote q\\rdblquote}", "a\u00A0bc\u2014d\u201Cq\u201D"},
        // Table cells and rows.
        {"{\\rtf1\\trowd a\\cell b\\cell\\row}", "a\tb\t\n"},
    });
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
    expectTexts({{rtf, "Visible link text\n"}});
}

TEST(RtfReaderTest, HexBytesFollowTheDocumentsCodePage) {
    const std::string fonts =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
        "{\\f1\\fnil\\fcharset204 Arial Cyr;}{\\f2\\fnil\\fcharset161 Greek;}}";
    expectTexts({
        {"{\\rtf1\\ansi Caf\\'e9 \\'80}", "Caf\u00E9 \u20AC"},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", "\u041F\u0440\u0438"},
        {"{\\rtf1\\mac \\'8e}", "\u00E9"},
        {"{\\rtf1\\pc \\'82}", "\u00E9"},
        // Two bytes of a double-byte code page make one character.
        {"{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}", "\u3042"},
        // An 8-bit byte written as is counts like \'hh.
        {"{\\rtf1\\ansi Caf\xE9}", "Caf\u00E9"},
        // A font's character set overrides the document's code page while the font is in use.
        {fonts + "\\'e9{\\f1 \\'e9}\\f2\\'e1\\f0\\'e9}", "\u00E9\u0439\u03B1\u00E9"},
        // A code page that iconv does not know falls back to Windows-1252.
        {"{\\rtf1\\ansi\\ansicpg99999 \\'e9}", "\u00E9"},
        // A broken \' escape is dropped.
        {"{\\rtf1 a\\'zzb\\'4}", "azzb4"},
    });
}

TEST(RtfReaderTest, UnicodeCharactersAndTheirFallbacks) {
    expectTexts({
        {"{\\rtf1 5\\u8364?}", "5\u20AC"},
        // \uc sets how many fallback characters follow; \'hh counts as one; groups restore it.
        {"{\\rtf1\\uc2 \\u8364\\'80\\'80 {\\uc0\\u233 x}\\u233ab}", "\u20AC \u00E9x\u00E9"},
        // Negative values, surrogate pairs and a lone surrogate.
        {"{\\rtf1\\u-4064?}", "\uF020"},
        {"{\\rtf1\\u-10179?\\u-8704?}", "\U0001F600"},
        {"{\\rtf1\\u-10179?x}", "\uFFFDx"},
        // A fallback that a group end cuts short.
        {"{\\rtf1\\uc3{\\u233}abc}", "\u00E9"
                                     "abc"},
    });
}

TEST(RtfReaderTest, MalformedInputGivesNothingAndACutDocumentWhatWasRead) {
    for (const std::string& bad : {std::string(), std::string("plain text"), std::string("{\\rt"),
                                   "{\\rtf1 " + std::string(2000, '{')}) {
        EXPECT_FALSE(RtfReader::plainText(bad)) << bad;
    }
    expectTexts({
        {"{\\rtf1 " + std::string(900, '{') + "x", "x"},
        // Leading blanks and a UTF-8 mark are allowed; a document cut short gives what was read.
        {"\xEF\xBB\xBF  \n{\\rtf1 cut\\par short", "cut\nshort"},
        {"{\\rtf1 a\\", "a"},
        {"{\\rtf1 a\\u", "a"},
        {"{\\rtf1 a\\bin999999999", "a"},
        {"{\\rtf1 a\\u99999999999999999999? b}", "a\uFFFD b"},
        // Whatever follows the closing brace of the document is not read.
        {"{\\rtf1 a}b}c", "a"},
    });
}

} // namespace
} // namespace fen

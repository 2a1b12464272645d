#include "model/FileNameHelpers.h"

#include <gtest/gtest.h>

using namespace fen;

TEST(SanitizedFileName, RemovesSeparatorsControlsAndLineBreaks) {
    EXPECT_EQ(sanitizedFileName("Report: Q1/Q2\\draft\tv1\nfinal\r.pdf"),
              "Report Q1Q2draftv1final.pdf");
    EXPECT_EQ(sanitizedFileName("Plain name_01. with spaces.."), "Plain name_01. with spaces..");
    EXPECT_EQ(sanitizedFileName(":/\\\n"), "");
    EXPECT_EQ(sanitizedFileName(""), "");
    // NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR, DEL and NUL are removed as well.
    using namespace std::string_literals;
    EXPECT_EQ(sanitizedFileName("a\xC2\x85"
                                "b\xE2\x80\xA8"
                                "c\xE2\x80\xA9"
                                "d\x7F"
                                "e\0f"s),
              "abcdef");
}

TEST(SanitizedFileName, KeepsOnlyCharactersDefinedInUnicode32) {
    // Kept: é (1.1), € (2.1), 中, a private-use character, U+0220 (new in 3.2).
    const std::string kept = "\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD\xEE\x80\x80\xC8\xA0";
    EXPECT_EQ(sanitizedFileName(kept), kept);
    // Removed: U+0221 (4.0), the rupee sign (6.0), a thumbs-up emoji, unassigned U+0378,
    // the non-characters U+FDD0 and U+FFFE.
    EXPECT_EQ(sanitizedFileName("a\xC8\xA1"
                                "b\xE2\x82\xB9"
                                "c\xF0\x9F\x91\x8D"
                                "d\xCD\xB8"
                                "e\xEF\xB7\x90"
                                "f\xEF\xBF\xBE"
                                "g"),
              "abcdefg");
    // Format characters (soft hyphen, zero-width space and joiner) are controls here.
    EXPECT_EQ(sanitizedFileName("x\xC2\xAD"
                                "y\xE2\x80\x8B"
                                "z\xE2\x80\x8D"),
              "xyz");
}

TEST(SanitizedFileName, DropsInvalidUtf8Bytes) {
    EXPECT_EQ(sanitizedFileName("ab\xFF"
                                "c\xC3"),
              "abc");
}

TEST(NormalizedWebAddress, AddsTheSecureSchemeOnlyWhenMissing) {
    EXPECT_EQ(normalizedWebAddress(""), "");
    EXPECT_EQ(normalizedWebAddress("example.com"), "https://example.com");
    EXPECT_EQ(normalizedWebAddress("http://example.com"), "http://example.com");
    EXPECT_EQ(normalizedWebAddress("HTTPS://Example.com/A"), "HTTPS://Example.com/A");
    EXPECT_EQ(normalizedWebAddress("hTtP://x"), "hTtP://x");
    EXPECT_EQ(normalizedWebAddress("ftp://files.example.com"), "https://ftp://files.example.com");
    EXPECT_EQ(normalizedWebAddress("http:/x"), "https://http:/x");
    EXPECT_EQ(normalizedWebAddress(" example.com"), "https:// example.com");
}

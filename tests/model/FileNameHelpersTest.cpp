#include "model/FileNameHelpers.h"

#include <gtest/gtest.h>
#include <utility>

using namespace fen;
using namespace std::string_literals;

TEST(FileNameHelpers, SanitizedFileNameKeepsOnlyDefinedNonControlCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"Report: Q1/Q2\\draft\tv1\nfinal\r.pdf", "Report Q1Q2draftv1final.pdf"},
        {"Plain name_01. with spaces..", "Plain name_01. with spaces.."},
        {":/\\\n", ""},
        {"", ""},
        // NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR, DEL and NUL.
        {"a\u0085b\u2028c\u2029d\x7F"
         "e\0f"s,
         "abcdef"},
        // Kept: é (1.1), € (2.1), 中, a private-use character, U+0220 (new in 3.2).
        {"\u00E9\u20AC\u4E2D\uE000\u0220", "\u00E9\u20AC\u4E2D\uE000\u0220"},
        // Removed as not in Unicode 3.2: U+0221 (4.0), the rupee sign (6.0), a thumbs-up emoji,
        // unassigned U+0378, the non-characters U+FDD0 and U+FFFE.
        {"a\u0221b\u20B9c\U0001F44Dd\u0378e\uFDD0f\uFFFEg", "abcdefg"},
        // Format characters (soft hyphen, zero-width space and joiner) are controls here.
        {"x\u00ADy\u200Bz\u200D", "xyz"},
        // Invalid UTF-8 bytes are dropped.
        {"ab\xFF"
         "c\xC3",
         "abc"},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(sanitizedFileName(name), expected);
    }
}

TEST(FileNameHelpers, NormalizedWebAddressAddsTheSecureSchemeOnlyWhenMissing) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"example.com", "https://example.com"},
        {"http://example.com", "http://example.com"},
        {"HTTPS://Example.com/A", "HTTPS://Example.com/A"},
        {"hTtP://x", "hTtP://x"},
        {"ftp://files.example.com", "https://ftp://files.example.com"},
        {"http:/x", "https://http:/x"},
        {" example.com", "https:// example.com"},
    };
    for (auto [address, expected] : cases) {
        EXPECT_EQ(normalizedWebAddress(address), expected);
    }
}

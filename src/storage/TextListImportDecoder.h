#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fen {

// Turns the bytes of a text file of unknown encoding into UTF-8, the way the text-list import and
// the RTF reader need it: a byte-order mark wins, then valid UTF-8, then a code page, converted
// with iconv. Of the single-byte pages (Windows, ISO, DOS, Mac and KOI8, of Latin, Cyrillic, Greek
// and Hebrew script), the one whose reading is most like words of the languages written in it is
// taken, weighed with the prior of each page and the detector's answer. Typography where people
// write it counts against no reading; another sign only where another page reads a letter of a
// word in its place. A DOS or Mac page is taken over a Windows or ISO one only on letters in two
// byte values or more, and the page the detector names stands among pages of its kind unless
// another reads letters its words need where it reads none. A page of several bytes a character
// (Chinese, Japanese, Korean) is taken when uchardet names it and its reading is text of its
// script.
class TextListImportDecoder {
public:
    // The whole file as UTF-8 (byte-order mark removed), or nothing when the bytes are no text:
    // bytes that do not convert or that every code page reads with control characters, a NUL
    // byte in a file without a byte-order mark, or a text made largely of control characters.
    // Empty bytes give an empty text.
    static std::optional<std::string> decodeText(std::string_view bytes);

    // What decodeText() gives for bytes that are neither marked nor UTF-8 when the encoding
    // detector answers `detectedCharset` (empty for no answer): detectors of other versions answer
    // otherwise for the same bytes, and the reading must hold for each answer.
    static std::optional<std::string> decodeUnmarked(std::string_view bytes,
                                                     const std::string& detectedCharset);

    // Converts `bytes` from the iconv encoding `charset` to UTF-8. Strict: nothing when a byte
    // sequence is invalid or the encoding is unknown to iconv.
    static std::optional<std::string> convert(std::string_view bytes, const std::string& charset);

    // Like convert(), but never gives up on a bad byte: each invalid or incomplete sequence
    // becomes U+FFFD. Nothing only when iconv does not know `charset`.
    static std::optional<std::string> convertLenient(std::string_view bytes,
                                                     const std::string& charset);

    // True when `bytes` are well-formed UTF-8 (no overlong forms, surrogates or values above
    // U+10FFFF).
    static bool isValidUtf8(std::string_view bytes);

    // `bytes` with every byte that starts no well-formed UTF-8 sequence replaced by U+FFFD.
    static std::string validUtf8(std::string_view bytes);

    // Appends the UTF-8 form of a code point; surrogates and values above U+10FFFF become U+FFFD.
    static void appendUtf8(std::string& out, char32_t codePoint);
};

} // namespace fen

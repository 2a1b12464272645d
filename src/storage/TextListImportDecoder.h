#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fen {

// Turns the bytes of a text file of unknown encoding into UTF-8, the way the text-list import and
// the RTF reader need it: a byte-order mark wins, then valid UTF-8, then the code page uchardet
// names when it is one of another script and the text reads cleanly in it (for a DOS or Mac page,
// it or its Windows sibling, whichever reads as more letters), then the Latin code page whose
// languages use the text's letters most, weighed by uchardet's answer and in favour of
// Windows-1252, then the detected code page or its Windows or ISO sibling, converted with iconv.
// A reading is clean when no control character and no sign stands against a letter, which is how
// a wrong single-byte code page shows.
class TextListImportDecoder {
public:
    // The whole file as UTF-8 (byte-order mark removed), or nothing when the bytes are no text:
    // an encoding that cannot be detected, bytes that do not convert, a NUL byte in a file without
    // a byte-order mark, or a text made largely of control characters. Empty bytes give an empty
    // text.
    static std::optional<std::string> decodeText(std::string_view bytes);

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

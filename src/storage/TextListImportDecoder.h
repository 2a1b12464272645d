#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fen {

// Turns the bytes of a text file of unknown encoding into UTF-8, the way the text-list import and
// the RTF reader need it: a byte-order mark wins, then valid UTF-8, then a single-byte or
// multi-byte code page, converted with iconv. Of the code pages, a reading is taken only when it
// reads cleanly (no control character, and no sign standing against a letter, which is how a
// wrong page shows), and one that also reads as words (each of one alphabet and case, without a
// sign between its letters) before one that does not: the page uchardet names when it is one of
// another script (for a DOS, Mac or Cyrillic page, the page of its alphabet that reads as most
// letters); then the Latin page whose languages use the text's letters most, weighed by uchardet's
// answer and in favour of Windows-1252, the DOS and Mac pages (CP850, Mac Roman, CP852, Mac
// Central European) among them when no Windows or ISO page reads the text as words, unless its
// signs stand against letters where another page reads more letters; then the Cyrillic or Greek
// page that reads as most letters. Bytes that no page reads cleanly are refused.
class TextListImportDecoder {
public:
    // The whole file as UTF-8 (byte-order mark removed), or nothing when the bytes are no text:
    // an encoding that cannot be detected, bytes that do not convert or that no code page reads
    // cleanly, a NUL byte in a file without a byte-order mark, or a text made largely of control
    // characters. Empty bytes give an empty text.
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

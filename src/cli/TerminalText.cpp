#include "cli/TerminalText.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <iostream>

namespace fen::cli {

namespace {

// The length of the valid UTF-8 sequence that starts at `at` with its code point in `cp`, or 0
// when none starts there.
std::size_t decode(std::string_view text, std::size_t at, std::uint32_t& cp) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    std::size_t length = 0;
    std::uint32_t min = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        min = 0x80;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        min = 0x800;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        min = 0x10000;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and values past the last code point are not UTF-8.
    if (cp < min || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        return 0;
    }
    return length;
}

// The control characters (C0, DEL, C1), and the bidirectional embeddings, overrides and isolates,
// which would reorder what follows them on the line.
bool isControl(std::uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

} // namespace

std::string escapedForTerminal(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        std::uint32_t cp = 0;
        std::size_t length = decode(text, at, cp);
        if (length == 1 && cp == '\\') {
            // Doubled, so that a name holding the text "\x1b" never reads as one holding ESC.
            out += "\\\\";
            ++at;
            continue;
        }
        if (length > 0 && !isControl(cp)) {
            out.append(text.substr(at, length));
            at += length;
            continue;
        }
        // A control character's bytes, or one stray byte (what follows it is judged afresh).
        for (std::size_t i = 0; i < std::max<std::size_t>(length, 1); ++i) {
            const auto b = static_cast<std::uint8_t>(text[at + i]);
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 0x0F];
        }
        at += std::max<std::size_t>(length, 1);
    }
    return out;
}

bool isTerminal(const std::ostream& stream) {
    if (&stream == &std::cout) {
        return ::isatty(STDOUT_FILENO) == 1;
    }
    if (&stream == &std::cerr || &stream == &std::clog) {
        return ::isatty(STDERR_FILENO) == 1;
    }
    return false;
}

std::string shownOn(const std::ostream& stream, std::string_view text) {
    return isTerminal(stream) ? escapedForTerminal(text) : std::string(text);
}

} // namespace fen::cli

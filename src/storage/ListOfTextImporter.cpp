#include "storage/ListOfTextImporter.h"

#include "platform/foundation/WholeFileReader.h"
#include "storage/RtfReader.h"
#include "storage/TextListImportDecoder.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string_view>

namespace fen {
namespace {

bool hasRtfExtension(const Url& url) {
    std::string extension = url.pathExtension();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "rtf";
}

bool beginsAsRtf(const std::string& bytes) {
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[start]))) {
        ++start;
    }
    return bytes.compare(start, 5, "{\\rtf") == 0;
}

// Length of the line break that starts at `i` in UTF-8 text, 0 when none does.
size_t lineBreakLength(const std::string& text, size_t i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x0A && c <= 0x0D) {
        return 1;
    }
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x85) {
        return 2; // U+0085 next line
    }
    if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
        (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
         static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
        return 3; // U+2028 line separator, U+2029 paragraph separator
    }
    return 0;
}

// Calls `visit` with each non-empty line of `text`, in order, while it answers true.
template <typename Visit> void forEachNonEmptyLine(const std::string& text, Visit visit) {
    const std::string_view all(text);
    size_t start = 0;
    size_t i = 0;
    while (i < all.size()) {
        size_t length = lineBreakLength(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        if (i > start && !visit(all.substr(start, i - start))) {
            return;
        }
        i += length;
        start = i;
    }
    if (start < all.size()) {
        visit(all.substr(start));
    }
}

// True when nothing of `line` shows: white space, control and format characters only.
bool isBlank(std::string_view line) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(line.data());
    const auto length = static_cast<std::int32_t>(line.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0 || !(u_isUWhiteSpace(c) || u_iscntrl(c) || u_charType(c) == U_FORMAT_CHAR)) {
            return false;
        }
    }
    return true;
}

// The non-empty lines of `text`, or nothing when there are more than `limit`. They are counted
// first, stopping past the limit, so a file of millions of short lines is refused before a string
// of it is made.
std::optional<std::vector<std::string>> nonEmptyLines(const std::string& text, size_t limit) {
    size_t count = 0;
    forEachNonEmptyLine(text, [&count, limit](std::string_view) { return ++count <= limit; });
    if (count > limit) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    lines.reserve(count);
    forEachNonEmptyLine(text, [&lines](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
    return lines;
}

// Whether the bytes of a text without a UTF-16 or UTF-32 byte-order mark hold more than `limit`
// non-empty lines. Every encoding such a text is read in keeps the line feed, vertical tab, form
// feed and carriage return as those bytes and has no other byte read as them, so the lines of the
// bytes are a lower bound of the lines read: a list of too many lines is refused before it is
// decoded.
bool holdsMoreLinesThan(const std::string& bytes, size_t limit) {
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0 ||
        bytes.compare(0, 4, std::string("\0\0\xFE\xFF", 4)) == 0) {
        return false;
    }
    size_t count = 0;
    bool inLine = false;
    for (char c : bytes) {
        const bool lineBreak = c >= 0x0A && c <= 0x0D;
        count += !lineBreak && !inLine ? 1 : 0;
        inLine = !lineBreak;
        if (count > limit) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::string> ListOfTextImporter::importTexts(const Url& url) {
    return read(url).texts;
}

ListOfTextImporter::Imported ListOfTextImporter::read(const Url& url) {
    if (!url.isFileURL()) {
        return {};
    }
    const WholeFile file = WholeFileReader::readRegular(url.path(), maximumFileSize);
    if (file.error == std::errc::file_too_large) {
        return {.tooLarge = true};
    }
    if (file.error == std::errc::invalid_argument || file.error == std::errc::is_a_directory) {
        return {.notRegularFile = true};
    }
    const std::optional<std::string>& bytes = file.bytes;
    if (!bytes) {
        return {.readError = file.error};
    }
    if (bytes->empty()) {
        return {.noText = true};
    }
    std::optional<std::string> text;
    if (hasRtfExtension(url) || beginsAsRtf(*bytes)) {
        text = RtfReader::plainText(*bytes);
        if (!text) {
            return {.damaged = true};
        }
    } else {
        if (holdsMoreLinesThan(*bytes, maximumTextCount)) {
            return {.tooManyTexts = true};
        }
        text = TextListImportDecoder::decodeText(*bytes);
        if (!text) {
            return {.unreadable = true};
        }
    }
    std::optional<std::vector<std::string>> lines = nonEmptyLines(*text, maximumTextCount);
    if (!lines) {
        return {.tooManyTexts = true};
    }
    if (std::all_of(lines->begin(), lines->end(), isBlank)) {
        return {.noText = true};
    }
    return {.texts = std::move(*lines)};
}

std::optional<std::string> ListOfTextImporter::attributedText(const Url& url) {
    if (!url.isFileURL()) {
        return std::nullopt;
    }
    auto bytes = WholeFileReader::readRegular(url.path()).bytes;
    if (!bytes) {
        return std::nullopt;
    }
    return RtfReader::plainText(*bytes);
}

} // namespace fen

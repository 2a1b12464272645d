#include "model/FileNameHelpers.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace fen {
namespace {

// Unassigned code points have age 0.0; anything first assigned after 3.2 counts as undefined
// in 3.2.
bool definedInUnicode32(UChar32 c) {
    UVersionInfo age;
    u_charAge(c, age);
    if (age[0] == 0 && age[1] == 0 && age[2] == 0 && age[3] == 0) {
        return false;
    }
    return age[0] < 3 || (age[0] == 3 && age[1] <= 2);
}

bool forbidden(UChar32 c) {
    if (c == ':' || c == '/' || c == '\\') {
        return true;
    }
    if ((c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029) {
        return true;
    }
    if (u_hasBinaryProperty(c, UCHAR_NONCHARACTER_CODE_POINT) || !definedInUnicode32(c)) {
        return true;
    }
    auto type = u_charType(c);
    return type == U_CONTROL_CHAR || type == U_FORMAT_CHAR;
}

} // namespace

std::string sanitizedFileName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        int32_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0 || forbidden(c)) {
            continue;
        }
        out.append(text.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
    }
    return out;
}

std::string_view utf8Prefix(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the character that would be
    // cut.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

std::string normalizedWebAddress(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    auto startsWithIgnoringCase = [&](std::string_view prefix) {
        if (text.size() < prefix.size()) {
            return false;
        }
        for (size_t i = 0; i < prefix.size(); ++i) {
            char c = text[i];
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
            if (c != prefix[i]) {
                return false;
            }
        }
        return true;
    };
    if (startsWithIgnoringCase("http://") || startsWithIgnoringCase("https://")) {
        return std::string(text);
    }
    return "https://" + std::string(text);
}

} // namespace fen

#include "model/ColorHex.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unicode/ubrk.h>
#include <unicode/ustring.h>
#include <vector>

namespace fen {
namespace {

long channel(double component) {
    if (!(component >= 0.0)) { // also NaN
        component = 0.0;
    }
    if (component > 1.0) {
        component = 1.0;
    }
    return std::lroundf(static_cast<float>(component) * 255.0f);
}

struct BreakCloser {
    void operator()(UBreakIterator* it) const { ubrk_close(it); }
};

// The first `limit` user-perceived characters (grapheme clusters) of a UTF-8 text, each as UTF-8.
std::vector<std::string> leadingGraphemes(const std::string& text, size_t limit) {
    std::vector<std::string> out;
    if (text.empty()) {
        return out;
    }
    UErrorCode status = U_ZERO_ERROR;
    int32_t length16 = 0;
    u_strFromUTF8WithSub(nullptr, 0, &length16, text.data(), static_cast<int32_t>(text.size()),
                         0xFFFD, nullptr, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return out;
    }
    std::u16string utf16(static_cast<size_t>(length16), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(utf16.data()), length16, nullptr, text.data(),
                         static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) {
        return out;
    }
    std::unique_ptr<UBreakIterator, BreakCloser> breaks(ubrk_open(
        UBRK_CHARACTER, "", reinterpret_cast<const UChar*>(utf16.data()), length16, &status));
    if (U_FAILURE(status)) {
        return out;
    }
    int32_t start = ubrk_first(breaks.get());
    for (int32_t end = ubrk_next(breaks.get()); end != UBRK_DONE && out.size() < limit;
         start = end, end = ubrk_next(breaks.get())) {
        const UChar* cluster = reinterpret_cast<const UChar*>(utf16.data()) + start;
        std::string utf8(static_cast<size_t>(end - start) * 3, '\0');
        int32_t written = 0;
        UErrorCode st = U_ZERO_ERROR;
        u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &written, cluster, end - start,
                    &st);
        utf8.resize(U_SUCCESS(st) ? static_cast<size_t>(written) : 0);
        out.push_back(std::move(utf8));
    }
    return out;
}

double readPair(const std::string& pair) {
    const char* p = pair.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    if (*p == '-') {
        return 0.0;
    }
    unsigned long value = std::strtoul(p, nullptr, 16);
    return static_cast<double>(value) / 255.0;
}

} // namespace

std::string colorHexString(const gfx::Color& color) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%02lX%02lX%02lX", channel(color.red),
                  channel(color.green), channel(color.blue));
    return buffer;
}

gfx::Color uiColorFromHex(std::string_view hex, double alpha) {
    std::string digits;
    for (char c : hex) {
        if (c != '#') {
            digits.push_back(c);
        }
    }
    auto characters = leadingGraphemes(digits, 6);
    if (characters.size() < 6) {
        return gfx::Color{0, 0, 0, alpha};
    }
    return gfx::Color{readPair(characters[0] + characters[1]),
                      readPair(characters[2] + characters[3]),
                      readPair(characters[4] + characters[5]), alpha};
}

gfx::Color colorFromHex(std::string_view hex) {
    return uiColorFromHex(hex, 1.0);
}

namespace json {

gfx::Color hexColorMember(const Json& object, const std::string& key) {
    return colorFromHex(nullableMember<std::string>(object, key).value_or("#000000"));
}

} // namespace json

} // namespace fen

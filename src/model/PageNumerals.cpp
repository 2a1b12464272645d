#include "model/PageNumerals.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>

namespace fen {
namespace {

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string formattedPageNumber(std::int64_t number, std::int64_t width, OtherStyles style) {
    switch (style) {
    case OtherStyles::style1:
        return std::to_string(number);
    case OtherStyles::style2:
        return zeroPaddedNumber(width, number);
    case OtherStyles::style3:
        return romanNumeral(number);
    case OtherStyles::style4:
        return lowercased(romanNumeral(number));
    case OtherStyles::style5:
        return alphabeticNumeral(number);
    case OtherStyles::style6:
        return lowercased(alphabeticNumeral(number));
    }
    return std::to_string(number);
}

std::string zeroPaddedNumber(std::int64_t width, std::int64_t number) {
    // As printf's "%0*lld": a positive width pads with zeros after the sign, a negative one means
    // "-" (left-align with spaces) and its size. A width beyond any page count's digits (only a
    // damaged record holds one) is capped, so a stored number never asks for gigabytes of padding.
    constexpr std::int64_t kMaxWidth = 4096;
    std::int64_t w = std::clamp<std::int64_t>(width, -kMaxWidth, kMaxWidth);
    std::string text = std::to_string(number);
    auto size = static_cast<std::int64_t>(text.size());
    if (w < 0 && size < -w) {
        text.append(static_cast<size_t>(-w - size), ' ');
    } else if (w > size) {
        size_t signLength = number < 0 ? 1 : 0;
        text.insert(signLength, static_cast<size_t>(w - size), '0');
    }
    return text;
}

std::string romanNumeral(std::int64_t number) {
    static constexpr const char* thousands[] = {
        "M", "MM", "MMM", "MMMM", "MMMMM", "MMMMMM", "MMMMMMM", "MMMMMMMM", "MMMMMMMMM"};
    static constexpr const char* hundreds[] = {"C",  "CC",  "CCC",  "CD", "D",
                                               "DC", "DCC", "DCCC", "CM"};
    static constexpr const char* tens[] = {"X", "XX", "XXX", "XL", "L", "LX", "LXX", "LXXX", "XC"};
    static constexpr const char* units[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"};

    auto value = static_cast<std::uint64_t>(number); // negative numbers become huge
    if (value >= 10000) {
        return "####";
    }
    std::string out;
    const std::uint64_t digits[] = {value / 1000, value / 100 % 10, value / 10 % 10, value % 10};
    const char* const* tables[] = {thousands, hundreds, tens, units};
    for (int i = 0; i < 4; ++i) {
        if (digits[i] > 0) {
            out += tables[i][digits[i] - 1];
        }
    }
    return out;
}

std::string alphabeticNumeral(std::int64_t number) {
    // k = number - 1, computed without overflowing at the lowest int64.
    if (number == INT64_MIN) {
        // (INT64_MIN - 1) % 26, taken on the mathematical value.
        std::int64_t remainder = INT64_MIN % 26 - 1;
        return std::string(1, static_cast<char>(65 + (remainder == -26 ? 0 : remainder)));
    }
    std::int64_t k = number - 1;
    auto last = static_cast<char>(65 + k % 26);
    if (k >= 26) {
        return alphabeticNumeral(k / 26) + last;
    }
    return std::string(1, last);
}

} // namespace fen

#include "platform/pdf/ContentScanner.h"

#include <algorithm>
#include <array>

namespace fen::pdf {

namespace {

bool isWhite(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool isDelimiter(char c) {
    switch (c) {
    case '(':
    case ')':
    case '<':
    case '>':
    case '[':
    case ']':
    case '{':
    case '}':
    case '/':
    case '%':
        return true;
    default:
        return false;
    }
}

bool isPaintingOperator(std::string_view w) {
    static constexpr std::array<std::string_view, 17> ops{"f",  "F", "f*", "B",  "B*", "b",
                                                          "b*", "S", "s",  "sh", "Do", "Tj",
                                                          "TJ", "'", "\"", "BI", "EI"};
    return std::find(ops.begin(), ops.end(), w) != ops.end();
}

// Skips inline image data that starts at `i` (just after the "ID" operator) and returns the
// position after the closing "EI".
size_t skipInlineImage(std::string_view s, size_t i) {
    if (i < s.size() && isWhite(s[i])) {
        ++i; // the one white-space character after ID
    }
    for (size_t p = i; p + 1 < s.size(); ++p) {
        if (s[p] == 'E' && s[p + 1] == 'I' && (p == i || isWhite(s[p - 1])) &&
            (p + 2 == s.size() || isWhite(s[p + 2]) || isDelimiter(s[p + 2]))) {
            return p + 2;
        }
    }
    return s.size();
}

} // namespace

ContentScan ContentScanner::scan(std::string_view s) {
    ContentScan r;
    const size_t n = s.size();
    size_t i = 0;
    while (i < n) {
        char c = s[i];
        if (isWhite(c)) {
            ++i;
        } else if (c == '%') {
            while (i < n && s[i] != '\n' && s[i] != '\r') {
                ++i;
            }
        } else if (c == '(') {
            int nesting = 1;
            ++i;
            while (i < n && nesting > 0) {
                if (s[i] == '\\') {
                    i += 2;
                    continue;
                }
                if (s[i] == '(') {
                    ++nesting;
                } else if (s[i] == ')') {
                    --nesting;
                }
                ++i;
            }
        } else if (c == '<') {
            if (i + 1 < n && s[i + 1] == '<') {
                i += 2;
            } else {
                while (i < n && s[i] != '>') {
                    ++i;
                }
                ++i;
            }
        } else if (c == '/') {
            ++i;
            while (i < n && !isWhite(s[i]) && !isDelimiter(s[i])) {
                ++i;
            }
        } else if (isDelimiter(c)) {
            ++i; // > >> [ ] { } and a stray )
        } else {
            size_t start = i;
            while (i < n && !isWhite(s[i]) && !isDelimiter(s[i])) {
                ++i;
            }
            std::string_view word = s.substr(start, i - start);
            if (word == "q") {
                ++r.netDepth;
            } else if (word == "Q") {
                --r.netDepth;
                r.minDepth = std::min(r.minDepth, r.netDepth);
            } else if (word == "ID") {
                r.paints = true;
                i = skipInlineImage(s, i);
            } else if (!r.paints && isPaintingOperator(word)) {
                r.paints = true;
            }
        }
    }
    return r;
}

} // namespace fen::pdf

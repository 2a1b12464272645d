#include "platform/pdf/ContentScanner.h"

#include "platform/pdf/ContentLexer.h"

#include <algorithm>
#include <array>

namespace fen::pdf {

namespace {

using Kind = ContentLexer::Token::Kind;

bool isPaintingOperator(std::string_view w) {
    static constexpr std::array<std::string_view, 17> ops{"f",  "F", "f*", "B",  "B*", "b",
                                                          "b*", "S", "s",  "sh", "Do", "Tj",
                                                          "TJ", "'", "\"", "BI", "EI"};
    return std::find(ops.begin(), ops.end(), w) != ops.end();
}

// Skips inline image data that starts at `i` (just after the "ID" operator) and returns the
// position after the closing "EI".
size_t skipInlineImage(std::string_view s, size_t i) {
    if (i < s.size() && ContentLexer::isWhite(s[i])) {
        ++i; // the one white-space character after ID
    }
    for (size_t p = i; p + 1 < s.size(); ++p) {
        if (s[p] == 'E' && s[p + 1] == 'I' && (p == i || ContentLexer::isWhite(s[p - 1])) &&
            (p + 2 == s.size() || ContentLexer::isWhite(s[p + 2]) ||
             ContentLexer::isDelimiter(s[p + 2]))) {
            return p + 2;
        }
    }
    return s.size();
}

} // namespace

ContentScan ContentScanner::scan(std::string_view s) {
    ContentScan r;
    ContentLexer lexer(s);
    ContentLexer::Token token;
    // Only operators count; strings, names, comments and the rest of the syntax are skipped.
    while (lexer.next(token)) {
        if (token.kind != Kind::word) {
            continue;
        }
        const std::string_view word = lexer.text(token);
        if (word == "q") {
            ++r.netDepth;
        } else if (word == "Q") {
            --r.netDepth;
            r.minDepth = std::min(r.minDepth, r.netDepth);
        } else if (word == "ID") {
            r.paints = true;
            lexer.seek(skipInlineImage(s, token.end));
        } else if (!r.paints && isPaintingOperator(word)) {
            r.paints = true;
        }
    }
    return r;
}

} // namespace fen::pdf

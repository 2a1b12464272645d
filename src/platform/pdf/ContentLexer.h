#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fen::pdf {

// The tokens of PDF bytes, as the content scanner and the recording scanner both read them.
// White space and comments are skipped; a literal string (nested parentheses, backslash escapes)
// and a hex string are one token each, so nothing inside them reads as an operator. Inline so
// that the q/Q count over every page of a write stays a tight loop.
class ContentLexer {
public:
    struct Token {
        enum class Kind : std::uint8_t {
            // A keyword, number or other regular run ("q", "1.5", "BT", "R").
            word,
            // "/" and the regular run after it, the slash included.
            name,
            // "(...)" with its parentheses, or "<...>" with its angle brackets.
            literalString,
            hexString,
            // "<<", ">>", and one of "[", "]", "{", "}".
            dictionaryOpen,
            dictionaryClose,
            bracket,
            // A ")" or a lone ">" that closes nothing.
            strayClose,
            // A string or hex string that the bytes end inside; the token runs to their end.
            unterminated,
        };
        Kind kind;
        std::size_t begin;
        std::size_t end;
    };

    explicit ContentLexer(std::string_view bytes) : s_(bytes) {}

    // Reads the next token into `token`; false at the end of the bytes.
    bool next(Token& token);

    // Where the next token is looked for; a reader that skips data itself (stream data, inline
    // image data) moves on with seek.
    std::size_t position() const { return i_; }
    void seek(std::size_t position) { i_ = position < s_.size() ? position : s_.size(); }

    std::string_view text(const Token& token) const {
        return s_.substr(token.begin, token.end - token.begin);
    }

    static bool isWhite(char c) {
        return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
    }
    static bool isDelimiter(char c) {
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

private:
    std::size_t regularEnd(std::size_t i) const {
        while (i < s_.size() && !isWhite(s_[i]) && !isDelimiter(s_[i])) {
            ++i;
        }
        return i;
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

inline bool ContentLexer::next(Token& token) {
    using Kind = Token::Kind;
    const std::size_t n = s_.size();
    while (i_ < n) {
        const char c = s_[i_];
        const std::size_t begin = i_;
        if (isWhite(c)) {
            ++i_;
            continue;
        }
        switch (c) {
        case '%':
            while (i_ < n && s_[i_] != '\n' && s_[i_] != '\r') {
                ++i_;
            }
            continue;
        case '(': {
            int depth = 1;
            ++i_;
            while (i_ < n && depth > 0) {
                const char d = s_[i_++];
                if (d == '\\') {
                    ++i_;
                } else if (d == '(') {
                    ++depth;
                } else if (d == ')') {
                    --depth;
                }
            }
            if (depth > 0 || i_ > n) {
                i_ = n;
                token = {Kind::unterminated, begin, n};
            } else {
                token = {Kind::literalString, begin, i_};
            }
            return true;
        }
        case '<':
            if (i_ + 1 < n && s_[i_ + 1] == '<') {
                i_ += 2;
                token = {Kind::dictionaryOpen, begin, i_};
                return true;
            }
            for (++i_; i_ < n && s_[i_] != '>'; ++i_) {
            }
            if (i_ == n) {
                token = {Kind::unterminated, begin, n};
            } else {
                token = {Kind::hexString, begin, ++i_};
            }
            return true;
        case '>':
            if (i_ + 1 < n && s_[i_ + 1] == '>') {
                i_ += 2;
                token = {Kind::dictionaryClose, begin, i_};
            } else {
                token = {Kind::strayClose, begin, ++i_};
            }
            return true;
        case ')':
            token = {Kind::strayClose, begin, ++i_};
            return true;
        case '[':
        case ']':
        case '{':
        case '}':
            token = {Kind::bracket, begin, ++i_};
            return true;
        case '/':
            i_ = regularEnd(i_ + 1);
            token = {Kind::name, begin, i_};
            return true;
        default:
            i_ = regularEnd(i_ + 1);
            token = {Kind::word, begin, i_};
            return true;
        }
    }
    return false;
}

} // namespace fen::pdf

#include "platform/pdf/RecordingScanner.h"

#include "platform/pdf/ContentLexer.h"
#include "platform/pdf/ContentScanner.h"

#include <zlib.h>

#include <cctype>
#include <charconv>
#include <functional>
#include <map>

namespace fen::pdf {

struct RecordingScanner::Inflater {
    z_stream z{};
    bool ready = false;
    Inflater() { ready = inflateInit(&z) == Z_OK; }
    ~Inflater() {
        if (ready) {
            inflateEnd(&z);
        }
    }
};

namespace {

bool isNameEnd(char c) {
    return std::isspace(static_cast<unsigned char>(c)) || c == '/' || c == '>' || c == '<' ||
           c == '[' || c == '(';
}

// The position of "/Type /Page" as a whole name (not "/Pages").
size_t findPageDictionary(std::string_view s) {
    const std::string_view key = "/Type /Page";
    for (size_t at = s.find(key); at != std::string_view::npos; at = s.find(key, at + 1)) {
        size_t end = at + key.size();
        if (end < s.size() && isNameEnd(s[end])) {
            return at;
        }
    }
    return std::string_view::npos;
}

bool isUnsigned(std::string_view t) {
    if (t.empty() || t.size() > 9) {
        return false;
    }
    for (char c : t) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// A token of a page's bytes: a regular one (number, name, keyword, delimiter), a string, or the
// data of a stream. Offsets are into the page's bytes.
struct Token {
    enum Kind { regular, string, data } kind;
    size_t begin, end;
};

// The value of the integer object `number generation` defined at a line start in `s` from
// `from` on ("N G obj 95 endobj"), as cairo writes the lengths of its streams after them.
std::optional<size_t> integerObject(std::string_view s, size_t from, std::string_view number,
                                    std::string_view generation) {
    std::string header(number);
    header.append(" ").append(generation).append(" obj");
    for (size_t at = s.find(header, from); at != std::string_view::npos;
         at = s.find(header, at + 1)) {
        if (at != 0 && s[at - 1] != '\n' && s[at - 1] != '\r') {
            continue;
        }
        size_t i = at + header.size();
        while (i < s.size() && ContentLexer::isWhite(s[i])) {
            ++i;
        }
        size_t value = 0;
        auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), value);
        if (ec != std::errc()) {
            return std::nullopt;
        }
        i = static_cast<size_t>(end - s.data());
        while (i < s.size() && ContentLexer::isWhite(s[i])) {
            ++i;
        }
        if (s.substr(i, 6) != "endobj") {
            return std::nullopt;
        }
        return value;
    }
    return std::nullopt;
}

// The length of the stream whose data starts at `data`, from the /Length of the dictionary just
// read (the tokens since the last "obj"): a number, or an integer object written after the data.
// The data must be followed by "endstream".
std::optional<size_t> streamLength(std::string_view s, const std::vector<Token>& tokens,
                                   size_t data) {
    auto text = [&](size_t k) {
        return s.substr(tokens[k].begin, tokens[k].end - tokens[k].begin);
    };
    size_t start = tokens.size();
    while (start > 0 && !(tokens[start - 1].kind == Token::regular && text(start - 1) == "obj")) {
        --start;
    }
    int depth = 0;
    for (size_t k = start; k < tokens.size(); ++k) {
        if (tokens[k].kind != Token::regular) {
            continue;
        }
        std::string_view t = text(k);
        if (t == "<<") {
            ++depth;
        } else if (t == ">>") {
            --depth;
        } else if (depth == 1 && t == "/Length" && k + 1 < tokens.size() &&
                   isUnsigned(text(k + 1))) {
            const bool indirect = k + 3 < tokens.size() && isUnsigned(text(k + 2)) &&
                                  tokens[k + 3].kind == Token::regular && text(k + 3) == "R";
            // Each "endstream" after the data, with the line end before it, bounds a candidate
            // length; the one the dictionary states is the data's.
            for (size_t end = s.find("endstream", data); end != std::string_view::npos;
                 end = s.find("endstream", end + 1)) {
                std::optional<size_t> stated;
                if (indirect) {
                    stated = integerObject(s, end, text(k + 1), text(k + 2));
                } else {
                    size_t value = 0;
                    std::string_view v = text(k + 1);
                    std::from_chars(v.data(), v.data() + v.size(), value);
                    stated = value;
                }
                if (!stated) {
                    continue;
                }
                size_t length = end - data;
                if (*stated == length) {
                    return length;
                }
                if (length >= 1 && s[end - 1] == '\n' && *stated == length - 1) {
                    return *stated;
                }
                if (length >= 1 && s[end - 1] == '\r' && *stated == length - 1) {
                    return *stated;
                }
                if (length >= 2 && s[end - 2] == '\r' && s[end - 1] == '\n' &&
                    *stated == length - 2) {
                    return *stated;
                }
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// The tokens of a page's bytes; none when they do not read as PDF objects.
std::optional<std::vector<Token>> tokenize(std::string_view s) {
    using Kind = ContentLexer::Token::Kind;
    std::vector<Token> tokens;
    ContentLexer lexer(s);
    ContentLexer::Token t;
    while (lexer.next(t)) {
        switch (t.kind) {
        case Kind::literalString:
        case Kind::hexString:
            tokens.push_back({Token::string, t.begin, t.end});
            continue;
        case Kind::strayClose:
        case Kind::unterminated:
            return std::nullopt;
        case Kind::name:
        case Kind::dictionaryOpen:
        case Kind::dictionaryClose:
        case Kind::bracket:
            tokens.push_back({Token::regular, t.begin, t.end});
            continue;
        case Kind::word:
            break;
        }
        tokens.push_back({Token::regular, t.begin, t.end});
        if (lexer.text(t) != "stream") {
            continue;
        }
        // The data starts after the line end that follows the keyword.
        size_t data = t.end;
        if (data < s.size() && s[data] == '\r') {
            ++data;
        }
        if (data >= s.size() || s[data] != '\n') {
            return std::nullopt;
        }
        ++data;
        auto length = streamLength(s, tokens, data);
        if (!length) {
            return std::nullopt;
        }
        tokens.push_back({Token::data, data, data + *length});
        lexer.seek(data + *length);
    }
    return tokens;
}

} // namespace

RecordingScanner::RecordingScanner() : inflater_(std::make_unique<Inflater>()) {}

RecordingScanner::~RecordingScanner() = default;

std::optional<bool> RecordingScanner::pagePaints(std::string_view s) {
    // The page dictionary names its content stream: "/Contents N 0 R".
    size_t page = findPageDictionary(s);
    if (page == std::string_view::npos) {
        return std::nullopt;
    }
    size_t contents = s.find("/Contents ", page);
    if (contents == std::string_view::npos) {
        return std::nullopt;
    }
    const char* numberStart = s.data() + contents + 10;
    int object = 0;
    auto [numberEnd, ec] = std::from_chars(numberStart, s.data() + s.size(), object);
    if (ec != std::errc() || std::string_view(numberEnd, 4) != " 0 R") {
        return std::nullopt;
    }
    // The stream object, written in the same bytes: "N 0 obj << ... >> stream ... endstream".
    const std::string header = std::to_string(object) + " 0 obj";
    size_t start = std::string_view::npos;
    for (size_t at = s.find(header); at != std::string_view::npos; at = s.find(header, at + 1)) {
        if (at == 0 || s[at - 1] == '\n' || s[at - 1] == '\r') {
            start = at;
            break;
        }
    }
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    size_t keyword = s.find("stream", start);
    size_t endObject = s.find("endobj", start);
    if (keyword == std::string_view::npos ||
        (endObject != std::string_view::npos && endObject < keyword)) {
        return std::nullopt;
    }
    std::string_view dict = s.substr(start, keyword - start);
    size_t data = keyword + 6;
    if (data < s.size() && s[data] == '\r') {
        ++data;
    }
    if (data >= s.size() || s[data] != '\n') {
        return std::nullopt;
    }
    ++data;
    size_t dataEnd = s.find("endstream", data);
    if (dataEnd == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view raw = s.substr(data, dataEnd - data);

    bool flate = dict.find("/Filter /FlateDecode") != std::string_view::npos;
    if (!flate) {
        if (dict.find("/Filter") != std::string_view::npos) {
            return std::nullopt;
        }
        return ContentScanner::scan(raw).paints;
    }
    z_stream& z = inflater_->z;
    if (!inflater_->ready || inflateReset(&z) != Z_OK) {
        return std::nullopt;
    }
    content_.clear();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    z.avail_in = static_cast<uInt>(raw.size());
    char buffer[16384];
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        status = inflate(&z, Z_NO_FLUSH);
        content_.append(buffer, sizeof buffer - z.avail_out);
        if (status == Z_BUF_ERROR && z.avail_in == 0) {
            break;
        }
    }
    if (status != Z_STREAM_END) {
        return std::nullopt;
    }
    return ContentScanner::scan(content_).paints;
}

int RecordingScanner::earlierAlike(std::string_view recording, size_t pageStart, int page) {
    if (pageStart > recording.size()) {
        return -1;
    }
    const std::string_view s = recording.substr(pageStart);
    auto tokens = tokenize(s);
    if (!tokens) {
        return -1;
    }
    auto text = [&](size_t k) {
        return s.substr((*tokens)[k].begin, (*tokens)[k].end - (*tokens)[k].begin);
    };
    auto isRegular = [&](size_t k, std::string_view t) {
        return (*tokens)[k].kind == Token::regular && text(k) == t;
    };
    // "N G obj" or "N G R" starting at token k.
    auto objectAt = [&](size_t k) {
        return k + 2 < tokens->size() && (isRegular(k + 2, "obj") || isRegular(k + 2, "R")) &&
               (*tokens)[k].kind == Token::regular && isUnsigned(text(k)) &&
               (*tokens)[k + 1].kind == Token::regular && isUnsigned(text(k + 1));
    };
    // The objects this page defines, numbered in their order.
    std::map<std::pair<std::string_view, std::string_view>, size_t> own;
    for (size_t k = 0; k < tokens->size(); ++k) {
        if (objectAt(k) && isRegular(k + 2, "obj")) {
            own.emplace(std::make_pair(text(k), text(k + 1)), own.size());
        }
    }
    // Every piece starts with its kind and ends where it says, so equal keys are equal tokens.
    std::string key;
    Remembered remembered{page, {}};
    for (size_t k = 0; k < tokens->size(); ++k) {
        const Token& t = (*tokens)[k];
        if (t.kind == Token::regular) {
            auto it = objectAt(k) ? own.find({text(k), text(k + 1)}) : own.end();
            if (it != own.end()) {
                key.append("o").append(std::to_string(it->second)).append(" ");
                ++k; // the generation; the keyword follows as a regular token
                continue;
            }
            key.append("w").append(text(k)).append(" ");
        } else if (t.kind == Token::string) {
            key.append("s").append(std::to_string(t.end - t.begin)).append(":").append(text(k));
        } else {
            key.append("d").append(std::to_string(t.end - t.begin)).append(":");
            key.append(std::to_string(std::hash<std::string_view>{}(text(k)))).append(" ");
            remembered.data.emplace_back(pageStart + t.begin, t.end - t.begin);
        }
    }
    auto& candidates = pages_[key];
    for (const Remembered& earlier : candidates) {
        bool same = earlier.data.size() == remembered.data.size();
        for (size_t j = 0; same && j < earlier.data.size(); ++j) {
            const auto [at, length] = earlier.data[j];
            same =
                length == remembered.data[j].second &&
                recording.substr(at, length) == recording.substr(remembered.data[j].first, length);
        }
        if (same) {
            return earlier.page;
        }
    }
    candidates.push_back(std::move(remembered));
    return -1;
}

} // namespace fen::pdf

#include "platform/pdf/RecordingScanner.h"

#include "platform/pdf/ContentScanner.h"

#include <zlib.h>

#include <cctype>
#include <charconv>

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

} // namespace fen::pdf

#include "platform/foundation/Url.h"

#include <cctype>
#include <cstdio>

namespace fen {
namespace {

bool unreservedInPath(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/' ||
           c == '!' || c == '$' || c == '&' || c == '\'' || c == '(' || c == ')' || c == '*' ||
           c == '+' || c == ',' || c == ';' || c == '=' || c == ':' || c == '@';
}

std::string percentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit((unsigned char)text[i + 1]) &&
            std::isxdigit((unsigned char)text[i + 2])) {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

} // namespace

Url Url::fileURL(const std::filesystem::path& path) {
    Url url;
    url.isFile_ = true;
    std::error_code ec;
    auto absolute = path.is_absolute() ? path : std::filesystem::absolute(path, ec);
    url.text_ = (ec ? path : absolute).lexically_normal().string();
    return url;
}

std::optional<Url> Url::fromString(const std::string& text) {
    if (text.rfind("file://", 0) == 0) {
        std::string rest = text.substr(7);
        if (rest.rfind("localhost/", 0) == 0) {
            rest = rest.substr(9);
        }
        if (rest.empty() || rest[0] != '/') {
            return std::nullopt;
        }
        return fileURL(percentDecode(rest));
    }
    auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || !std::isalpha((unsigned char)text[0])) {
        return std::nullopt;
    }
    for (size_t i = 0; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') {
            return std::nullopt;
        }
    }
    Url url;
    url.text_ = text;
    return url;
}

std::string Url::absoluteString() const {
    if (!isFile_) {
        return text_;
    }
    std::string out = "file://";
    for (unsigned char c : text_) {
        if (unreservedInPath(c)) {
            out.push_back(static_cast<char>(c));
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string Url::lastPathComponent() const {
    if (isFile_) {
        auto p = std::filesystem::path(text_);
        return p.has_filename() ? p.filename().string() : p.parent_path().filename().string();
    }
    auto slash = text_.find_last_of('/');
    return slash == std::string::npos ? text_ : text_.substr(slash + 1);
}

std::string Url::pathExtension() const {
    std::string name = lastPathComponent();
    auto dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        return {};
    }
    return name.substr(dot + 1);
}

Url Url::deletingLastPathComponent() const {
    if (isFile_) {
        return fileURL(std::filesystem::path(text_).parent_path());
    }
    Url url = *this;
    auto slash = text_.find_last_of('/');
    if (slash != std::string::npos) {
        url.text_ = text_.substr(0, slash + 1);
    }
    return url;
}

Url Url::appendingPathComponent(const std::string& component) const {
    if (isFile_) {
        return fileURL(std::filesystem::path(text_) / component);
    }
    Url url = *this;
    if (!url.text_.empty() && url.text_.back() != '/') {
        url.text_ += '/';
    }
    url.text_ += component;
    return url;
}

} // namespace fen

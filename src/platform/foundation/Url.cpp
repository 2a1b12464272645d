#include "platform/foundation/Url.h"

#include <glib.h>

#include <cctype>
#include <memory>

namespace fen {
namespace {

// The characters a file URL's path keeps as they are besides the unreserved ones: the path
// separator, the sub-delimiters, ":" and "@".
constexpr std::string_view keptInPath = "/!$&'()*+,;=:@";

std::string escaped(std::string_view text, const char* keep) {
    std::unique_ptr<char, decltype(&g_free)> out(
        g_uri_escape_bytes(reinterpret_cast<const guint8*>(text.data()), text.size(), keep),
        g_free);
    return out.get();
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

std::string percentEncoded(std::string_view text, std::string_view keep) {
    // GLib passes a NUL through unescaped whenever any character is kept (it finds the NUL in
    // the kept set's own end), so the text is escaped between its NULs.
    const std::string kept(keep);
    std::string out;
    for (;;) {
        const size_t nul = text.find('\0');
        out += escaped(text.substr(0, nul), kept.empty() ? nullptr : kept.c_str());
        if (nul == std::string_view::npos) {
            return out;
        }
        out += "%00";
        text.remove_prefix(nul + 1);
    }
}

std::string Url::absoluteString() const {
    return isFile_ ? "file://" + percentEncoded(text_, keptInPath) : text_;
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

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace fen {

// A file or web address as a value. A file URL holds an absolute path; any other URL holds its
// text as given. Equal when both the kind and the text are equal.
class Url {
public:
    Url() = default;

    // A file URL for a path; a relative path is made absolute against the current folder.
    static Url fileURL(const std::filesystem::path& path);
    // Parses "file://..." into a file URL (percent-decoded) and anything else with a scheme into
    // a web URL; nothing for an empty text or a text without a scheme.
    static std::optional<Url> fromString(const std::string& text);

    bool isFileURL() const { return isFile_; }
    bool empty() const { return text_.empty(); }
    // The path of a file URL; empty for other URLs.
    std::filesystem::path path() const { return isFile_ ? std::filesystem::path(text_) : ""; }
    // "file:///a%20b.pdf" for file URLs, the text for others.
    std::string absoluteString() const;
    std::string lastPathComponent() const;
    std::string pathExtension() const;
    Url deletingLastPathComponent() const;
    Url appendingPathComponent(const std::string& component) const;

    bool operator==(const Url&) const = default;

private:
    bool isFile_ = false;
    std::string text_;
};

// `text` with every byte written as "%XX" (upper-case hexadecimal) except the unreserved
// characters of RFC 3986 (letters, digits, "-._~") and the characters in `keep`; UTF-8 is
// encoded byte by byte (a file URL's path keeps "/!$&'()*+,;=:@" besides).
std::string percentEncoded(std::string_view text, std::string_view keep = {});

} // namespace fen

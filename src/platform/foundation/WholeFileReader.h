#pragma once

#include "platform/foundation/Url.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace fen {

// What reading a whole file gave: every byte of it, or the reason it could not be read.
struct WholeFile {
    // The file's contents; nothing when it could not be read.
    std::optional<std::string> bytes;
    // The errno of the failure (generic category); empty when the file was read.
    std::error_code error;

    explicit operator bool() const { return bytes.has_value(); }
    // The failure in the system's words (strerror: "No such file or directory", "Is a
    // directory"); empty when the file was read.
    std::string reason() const { return error ? error.message() : std::string(); }
};

// The one way the program reads a file into memory at once: PDF files to watermark, pictures,
// the store's images, text lists, the earlier version's settings. A folder is never read as an
// empty file: it fails with EISDIR. The reader prints nothing and has no other effect, so each
// caller decides what a failure means.
class WholeFileReader {
public:
    static WholeFile read(const std::filesystem::path& path);
    // The file at a file URL. Addresses that are not files are not fetched: they fail with
    // ENOTSUP.
    static WholeFile read(const Url& url);
    // A regular file only (symbolic links followed): anything else fails before a byte is read,
    // with EISDIR for a folder and EINVAL for a device, a pipe or a socket. The file is opened
    // without waiting (a pipe with no writer opens at once) and checked as opened. For files that
    // a user names or a folder holds, where a device or a pipe could block the reader or never
    // end. Callable from any thread. Given `limit`, a file of more bytes than that fails with
    // EFBIG, judged by the opened file's size before a byte is read (and while reading, should
    // it grow).
    static WholeFile readRegular(const std::filesystem::path& path,
                                 std::optional<std::uintmax_t> limit = std::nullopt);
};

} // namespace fen

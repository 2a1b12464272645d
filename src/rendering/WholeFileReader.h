#pragma once

#include "platform/foundation/Url.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace fen {

// Reads a whole file into memory: the image holder's image files, the store's images, the
// saver's working copy. A file that cannot be read gives no bytes and the reason in `error`; the
// reader prints nothing and has no other effect, so each caller decides what a failure means.
class WholeFileReader {
public:
    // The contents of the file at a file URL. Addresses that are not files are not fetched: they
    // fail with `std::errc::operation_not_supported`.
    static std::optional<std::string> read(const Url& url, std::error_code* error = nullptr);
    static std::optional<std::string> read(const std::filesystem::path& path,
                                           std::error_code* error = nullptr);
    // The contents of a regular file (symbolic links followed); nothing for folders, devices,
    // pipes and files that cannot be read. For files a user names or a folder holds, where a
    // device or a pipe could block the reader or never end.
    static std::optional<std::string> readRegular(const std::filesystem::path& path);
};

} // namespace fen

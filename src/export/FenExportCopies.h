#pragma once

#include <filesystem>
#include <system_error>

namespace fen {

// Copies written files where the user chose to keep them. A copy goes through a temporary file in
// the destination's folder and a rename, so the destination is either the old file, whole, or the
// new one, whole; never half written. A replaced file keeps its permission bits.
class FenExportCopies {
public:
    FenExportCopies() = delete;

    // Copies `source` to `destination`, replacing a file that is there; the reason on failure,
    // when nothing was changed and no temporary file is left.
    static std::error_code copyReplacing(const std::filesystem::path& source,
                                         const std::filesystem::path& destination);
};

} // namespace fen

#include "platform/foundation/DataFolder.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

// The installed data folder relative to the installed program's folder (set by the build).
#ifndef FENMOOR_INSTALLED_DATA
#define FENMOOR_INSTALLED_DATA "../share/fenmoor"
#endif

namespace fen {

namespace fs = std::filesystem;

namespace {

// The source tree's data folder when `folder` or a folder above it is the build folder.
std::optional<fs::path> sourceDataAbove(const fs::path& folder) {
    for (fs::path dir = folder; !dir.empty(); dir = dir.parent_path()) {
        std::ifstream marker(dir / "fenmoor-source-data");
        std::string relative;
        if (marker && std::getline(marker, relative) && !relative.empty()) {
            return (dir / relative).lexically_normal();
        }
        if (dir == dir.root_path()) {
            break;
        }
    }
    return std::nullopt;
}

} // namespace

fs::path dataFolder() {
    if (const char* dir = std::getenv("FENMOOR_DATA_DIR"); dir && *dir) {
        return dir;
    }
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    const fs::path bin = program.parent_path();
    const fs::path installed = (bin / FENMOOR_INSTALLED_DATA).lexically_normal();
    if (fs::is_directory(installed, ec)) {
        return installed;
    }
    if (std::optional<fs::path> source = sourceDataAbove(bin)) {
        return *source;
    }
    return installed;
}

} // namespace fen

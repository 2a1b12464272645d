#include "platform/foundation/FreeName.h"

namespace fen {

std::filesystem::path firstFreeName(const std::filesystem::path& folder, const std::string& stem,
                                    const std::string& extension) {
    std::error_code ec;
    for (int n = 1;; ++n) {
        std::filesystem::path path =
            folder / (stem + (n > 1 ? "-" + std::to_string(n) : std::string()) + extension);
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
            return path;
        }
    }
}

} // namespace fen

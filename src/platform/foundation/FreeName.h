#pragma once

#include <filesystem>
#include <string>

namespace fen {

// The first path in `folder` named `stem` + `extension`, then `stem`-2 + `extension`, -3 and so
// on, at which nothing stands, not even a dangling symbolic link: where a file set beside another
// (a copy, a file moved out of the way) goes without replacing anything.
std::filesystem::path firstFreeName(const std::filesystem::path& folder, const std::string& stem,
                                    const std::string& extension);

} // namespace fen

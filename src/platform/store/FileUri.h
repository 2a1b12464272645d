#pragma once

#include <filesystem>
#include <string>

namespace fen::store {

// The file's name as an sqlite URI: "file://", an empty authority, then the absolute path with
// every byte but the unreserved ones and '/' percent-encoded, so that no character of the path
// is taken for a URI's own.
std::string fileUri(const std::filesystem::path& path);

} // namespace fen::store

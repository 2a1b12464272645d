#include "platform/store/FileUri.h"

#include "platform/foundation/Url.h"

namespace fen::store {

std::string fileUri(const std::filesystem::path& path) {
    return "file://" + percentEncoded(std::filesystem::absolute(path).string(), "/");
}

} // namespace fen::store

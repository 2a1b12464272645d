#include "platform/store/FileUri.h"

namespace fen::store {

std::string fileUri(const std::filesystem::path& path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : std::filesystem::absolute(path).string()) {
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '.' ||
                                c == '_' || c == '~';
        if (unreserved) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 0xf];
        }
    }
    return uri;
}

} // namespace fen::store

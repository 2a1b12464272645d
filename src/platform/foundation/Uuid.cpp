#include "platform/foundation/Uuid.h"

#include <glib.h>

#include <cctype>
#include <memory>

namespace fen {

std::string newUuidString() {
    std::unique_ptr<char, decltype(&g_free)> text(g_uuid_string_random(), g_free);
    std::string out = text.get();
    for (char& c : out) {
        c = g_ascii_toupper(c);
    }
    return out;
}

bool isUuidString(const std::string& text) {
    if (text.size() != 36) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace fen

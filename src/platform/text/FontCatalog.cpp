#include "platform/text/FontCatalog.h"

#include "platform/text/TextSystem.h"

namespace fen::text {

std::vector<std::string> FontCatalog::familyNames() {
    return TextSystem::familyNames();
}

std::vector<FontCatalog::Face> FontCatalog::faces(std::string_view family) {
    std::vector<Face> result;
    auto canonical = TextSystem::canonicalFamily(family);
    if (!canonical) {
        return result;
    }
    for (const std::string& face : TextSystem::faceNames(family)) {
        result.push_back({*canonical + " " + face, face});
    }
    return result;
}

std::vector<std::string> FontCatalog::fontNames(std::string_view family) {
    std::vector<std::string> names;
    for (const Face& face : faces(family)) {
        names.push_back(face.fontName);
    }
    return names;
}

} // namespace fen::text

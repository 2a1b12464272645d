#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fen::text {

// The installed font families and their faces, as the font selector lists them.
class FontCatalog {
public:
    struct Face {
        std::string fontName;  // accepted by Font::named, such as "Helvetica Neue Bold"
        std::string styleName; // the face's sub-family name, such as "Bold"
        bool operator==(const Face&) const = default;
    };

    // Every family with faces of its own, "Helvetica Neue" included, sorted by name.
    static std::vector<std::string> familyNames();
    // The faces of a family in the system's order; empty for an unknown family.
    static std::vector<Face> faces(std::string_view family);
    // The font names of the family's faces, in the same order.
    static std::vector<std::string> fontNames(std::string_view family);
};

} // namespace fen::text

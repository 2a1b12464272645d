#pragma once

#include "model/Json.h"

#include <cstdint>
#include <string>

namespace fen {

// The font of a text or page-number watermark, held as names and a size and turned into a
// concrete font only when something is drawn (the font resolution of the rendering layer).
struct FontSetting {
    std::string familyname = defaultFamilyName();
    // A style name within the family, compared with the capitalised style names of its faces.
    std::string style = defaultStyle();
    std::int64_t size = static_cast<std::int64_t>(defaultSize());

    // "Helvetica Neue" (an alias of Nimbus Sans here).
    static const std::string& defaultFamilyName();
    // The style name of the default family's regular face: "Regular".
    static const std::string& defaultStyle();
    // The point size of body text, 17: the fallback size of the font resolution.
    static double defaultSize();

    bool operator==(const FontSetting&) const = default;
};

// {"familyname":"Helvetica Neue","style":"Regular","size":17}; all members required.
void to_json(Json& j, const FontSetting& font);
void from_json(const Json& j, FontSetting& font);

} // namespace fen

#pragma once

#include "model/ColorOutlineSetting.h"
#include "model/FontSetting.h"
#include "model/Json.h"
#include "model/Positions.h"

#include <cstdint>

namespace fen {

// The settings of a text watermark. The text itself is the document's selected text item.
struct TextSettings {
    Positions position = Positions::none;
    FontSetting font;
    ColorOutlineSetting colorOutline;
    // Per cent; the text drawer uses opacity / 100 as the alpha of the text colour.
    std::int64_t opacity = 100;
    // Drawn before the page content (true) or over it (false).
    bool isWatermarkInBackground = false;

    bool operator==(const TextSettings&) const = default;
};

// Members "position", "font", "colorOutline", "opacity", "isWatermarkInBackground"; all required.
void to_json(Json& j, const TextSettings& settings);
void from_json(const Json& j, TextSettings& settings);

} // namespace fen

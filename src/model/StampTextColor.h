#pragma once

#include "model/Json.h"
#include "platform/graphics/Geometry.h"

#include <optional>
#include <string>

namespace fen {

// The text and colour of a stamp, or the format text (with its page tags) and colour of a page
// number. An absent text means no stamp or page number is drawn.
struct StampTextColor {
    std::optional<std::string> stampText;
    gfx::Color stampColor{0, 0, 0, 1};

    bool operator==(const StampTextColor&) const = default;
};

// {"stampText":null,"stampColor":"FF0000"}: "stampText" is always written (null when absent) and
// must be present on reading; "stampColor" likewise, null reading as black.
void to_json(Json& j, const StampTextColor& value);
void from_json(const Json& j, StampTextColor& value);

} // namespace fen

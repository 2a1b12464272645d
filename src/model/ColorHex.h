#pragma once

#include "model/Json.h"
#include "platform/graphics/Geometry.h"

#include <string>
#include <string_view>

namespace fen {

// Colours are held as gfx::Color (RGB plus alpha) in the records and stored and handed around as
// hexadecimal text. There is no separate grey-scale colour value: a grey is an RGB colour with
// equal components, so white is "FFFFFF" and never the "#000000" of a colour without RGB
// components.

// Six upper-case hexadecimal digits without "#" ("FF0000"). Each component is clamped to [0, 1]
// (NaN counts as 0), multiplied by 255 in single precision and rounded half away from zero, so
// 0.5 gives 80. Alpha is not written.
std::string colorHexString(const gfx::Color& color);

// Reads a hex colour text: every "#" is removed (anywhere), the rest is split into user-perceived
// characters, and characters 1-2, 3-4 and 5-6 give red, green and blue (more are ignored). Each
// pair is read as strtoul reads base 16: leading white space, "+" and "0x" are accepted, reading
// stops at the first non-digit, a pair without digits gives 0; a pair with a minus sign gives 0
// (rather than a wrapped-around value). A text of fewer than six characters gives black.
gfx::Color uiColorFromHex(std::string_view hex, double alpha);

// The same with opacity 1.
gfx::Color colorFromHex(std::string_view hex);

namespace json {

// A colour member stored as hex text that must be present and may be null (null reads as black):
// the rule of "color" and "stampColor".
gfx::Color hexColorMember(const Json& object, const std::string& key);

} // namespace json

} // namespace fen

#pragma once

#include "platform/text/Font.h"

#include <optional>
#include <string>
#include <string_view>

namespace fen {

// The font of a stored font setting: the face of the family named `family` whose capitalised
// style name equals `style`, at `size` points. A family or style the system lacks falls back to
// "Helvetica Neue" at the body text size (not at `size`); none only when that is missing too.
// The family text is looked up as a font name, so "Helvetica Neue Bold" also names its family.
std::optional<text::Font> resolvedFont(std::string_view family, std::string_view style,
                                       double size);

// A style name capitalised as the comparison above wants it: the first letter of each word upper
// case, the rest lower case ("ExtraLight" → "Extralight", "bold italic" → "Bold Italic").
std::string capitalizedStyleName(std::string_view style);

// The defaults of a new font setting that come from the fonts, each computed once: the style
// name of "Helvetica Neue" at size 1 as the font gives it ("Regular" when it is missing or has
// none), and the body text size.
const std::string& defaultFontStyle();
double defaultFontSize();

} // namespace fen

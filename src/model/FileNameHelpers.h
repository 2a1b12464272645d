#pragma once

#include <string>
#include <string_view>

namespace fen {

// A text made safe as the name of an output file: every forbidden character is removed (nothing
// is put in its place, the rest keeps its order). Forbidden are ":", "/" and "\", the Unicode
// non-characters, every code point that Unicode 3.2 does not define (so most emoji go too), the
// control and format characters (Cc, Cf), the line breaks (U+000A-U+000D, U+0085, U+2028,
// U+2029), and bytes that are not valid UTF-8. Nothing else changes: no trimming, no length
// limit; a text of forbidden characters only gives "".
std::string sanitizedFileName(std::string_view text);

// The longest head of `text` that is at most `maxBytes` bytes and ends on a UTF-8 character
// boundary (no character is cut in two); the whole text when it fits.
std::string_view utf8Prefix(std::string_view text, size_t maxBytes);

// A web address with a scheme: "" stays "", a text that begins with "http://" or "https://" in
// any letter case is returned as it is, and anything else gets "https://" in front (other schemes
// included; nothing else is checked).
std::string normalizedWebAddress(std::string_view text);

} // namespace fen

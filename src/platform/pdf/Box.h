#pragma once

namespace fen::pdf {

// The boxes a PDF page may define. A missing box falls back as PDF says: crop → media,
// bleed/trim/art → crop; every box is reduced to its intersection with the media box.
enum class Box { media, crop, bleed, trim, art };

} // namespace fen::pdf

#pragma once

#include <cstddef>
#include <string_view>

namespace fen::pdf {

// The byte count searched for the PDF marker.
inline constexpr std::size_t pdfMarkerWindow = 1024;

// True when "%PDF" starts within the first pdfMarkerWindow bytes and lies wholly inside them: how
// a picked picture file or a stored image is told to be a PDF file rather than a bitmap.
bool looksLikePDF(std::string_view bytes);

} // namespace fen::pdf

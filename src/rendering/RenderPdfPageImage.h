#pragma once

#include "platform/graphics/Image.h"

namespace fen {

namespace pdf {
class Document;
}

// A page of a PDF document as a bitmap: the crop box at four pixels per point, scaled down (never
// up) to fit `maxWidth` × `maxHeight` points when both are above 0. The page is drawn in its own
// user space (its rotation is not applied), without annotations and without paper, so what the
// page does not paint stays transparent. `pageNumber` is 1-based. The null image when the page
// does not exist, its crop box is empty, or no bitmap of that size can be made.
gfx::Image renderPDFPageImage(const pdf::Document& document, int pageNumber, double maxWidth,
                              double maxHeight);

} // namespace fen

#pragma once

#include "document/PDFViewEditLayout.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

namespace fen {

class FenDocument;

// The editor's pictures of a page, in two steps so that a change of the watermarks never renders
// the page content again: the content alone on a transparent ground, made once per scale (on a
// worker: it may take seconds), and the page as shown, composed from white paper, the watermarks
// behind the content, that cached content and the watermarks in front. Both show the crop box as
// a viewer turns it, at `scale` pixels per point (the size rounded to whole pixels), exactly as
// the written file shows it. A region (in the pixels of the whole page at that scale, y down)
// limits either picture to a part of the page; an empty one stands for the whole page.
class EditorPageRenderer {
public:
    // The crop box's size as shown (turned by the page's rotation), in points.
    static gfx::Size displaySize(FenDocument& document, int index);
    // The whole page's size in pixels at `scale`.
    static PixelRect pixelBounds(FenDocument& document, int index, double scale);
    // The content (annotations included) on a transparent ground; null when no bitmap can be
    // made. Reads only what the document never changes once open, so it may run on any thread.
    static gfx::Image renderContent(FenDocument& document, int index, double scale,
                                    const PixelRect& region = {});
    // The page with its watermarks over `content`, a picture of `contentRegion` at the same
    // scale (null while the content is not there: the paper and the watermarks only).
    static gfx::Image compose(FenDocument& document, int index, double scale,
                              const gfx::Image& content, const PixelRect& region = {},
                              const PixelRect& contentRegion = {});
};

} // namespace fen

#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

namespace fen {

class FenDocument;

// The editor's pictures of a page, in two steps so that a change of the watermarks never renders
// the page content again: the content alone on a transparent ground, made once per scale, and
// the page as shown, composed from white paper, the watermarks behind the content, that cached
// content and the watermarks in front. Both show the crop box as a viewer turns it, at `scale`
// pixels per point (the size rounded to whole pixels), exactly as the written file shows it.
class EditorPageRenderer {
public:
    // The crop box's size as shown (turned by the page's rotation), in points.
    static gfx::Size displaySize(FenDocument& document, int index);
    // The content (annotations included) on a transparent ground; null when no bitmap can be
    // made.
    static gfx::Image renderContent(FenDocument& document, int index, double scale);
    // The page with its watermarks over `content` (a picture of renderContent's size).
    static gfx::Image compose(FenDocument& document, int index, double scale,
                              const gfx::Image& content);
};

} // namespace fen

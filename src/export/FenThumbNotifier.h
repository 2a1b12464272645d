#pragma once

#include "platform/graphics/Image.h"

#include <string>

namespace fen {

class FenObjectHolder;

// Carries the pictures the image holder prepares (image, stamp, page number) to the panel
// previews of the document window, which listen under their document's scoped names.
class FenThumbNotifier {
public:
    // Returns at once; later, on the main queue, posts `name` (already scoped by the caller) on
    // the default notification centre with the picture as its object (a gfx::Image, at its own
    // pixel size: the previews scale it to fit), or with no object for the null image, so the
    // receiving preview clears its picture. Calls may come from any thread; posts keep call order.
    static void postThumbnail(const gfx::Image& image, const std::string& name);
    // Makes the refresh operations of `holder` post their pictures through postThumbnail.
    static void attach(FenObjectHolder& holder);
};

} // namespace fen

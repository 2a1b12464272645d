#pragma once

#include "platform/graphics/Geometry.h"

#include <memory>
#include <optional>
#include <string>

namespace fen::gfx {
class Context;
}

namespace fen::pdf {

class PageImageSource;

// A page of a PDF file used as a picture (a logo or a form drawn as a watermark): its crop box
// and its content, drawable into any context in the page's own user space. A cheap value: copies
// share the same bytes.
//
// Drawn during a page's draw on a context that records a write, it is not drawn through the
// context: the write imports the page once into the written file as a form XObject and places
// that one form on every page that draws it, with the context's matrix and alpha at that moment
// (clips set on the context do not apply to it; the recorded page's area does).
class PageImage {
public:
    // The page at a 1-based number of PDF bytes or a file; none for bytes that are not a PDF,
    // need a password, or have no such page or an empty crop box.
    static std::optional<PageImage> fromData(std::string bytes, int pageNumber = 1);
    static std::optional<PageImage> fromFile(const std::string& path, int pageNumber = 1);

    // The crop box in the page's own user space.
    gfx::Rect cropBox() const;

    // Draws the page content in its own user space (its /Rotate is ignored and its crop box is not
    // moved to the origin), clipped to the crop box, without annotations, with the context's alpha
    // applied to the page as a whole.
    void draw(gfx::Context& ctx) const;

    // The shared data, for the writer.
    const std::shared_ptr<const PageImageSource>& source() const { return source_; }

private:
    explicit PageImage(std::shared_ptr<const PageImageSource> source);
    std::shared_ptr<const PageImageSource> source_;
};

} // namespace fen::pdf

#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/pdf/Box.h"
#include "platform/pdf/Page.h"

#include <functional>
#include <optional>

namespace fen {

class FenDocument;
class FenObjectHolder;
class FenWatermarkModel;

// A page of a FenDocument: draws the watermarks behind the content (image, then text, when they
// are set to the background), the content, the watermarks in front, the stamp and the page
// number; with secure saving it instead draws itself flattened into one bitmap. What it draws
// follows the holder and the model at the moment of drawing; it keeps no state.
//
// Every drawer gets the page rectangle R = (0, 0, W, H) of the box as a reader sees it (width and
// height swapped for a page turned a quarter) and the page's own rotation, with which
// applyPageRotation maps R onto the page's own space, the context's origin being the box's
// lower-left corner. So placements mean what a reader of the turned page sees and every watermark
// stands upright on it, in the editor and in the written file alike (which keeps its /Rotate).
class FenPage : public pdf::Page {
public:
    using pdf::Page::Page;

    // Pixels per point of a flattened page.
    static constexpr double secureSavingScale = 2.0;
    // The most pixels a flattened page's bitmap may have (256 MB of pixels; an A0 page at
    // secureSavingScale needs an eighth of it). Each side is also held to the bitmap's limit.
    static constexpr double maxFlattenedPixels = 67108864;
    // The pixels per point a flattened page of `width` × `height` points is rasterised at:
    // secureSavingScale, or the largest scale at which its bitmap keeps within the limits, so a
    // very large page comes out coarser instead of being dropped.
    static double flatteningScale(double width, double height);

    // The flattened page when the holder asks for secure saving, else the ordinary passes.
    void draw(pdf::Box box, gfx::Context& ctx) override;

    // The ordinary passes for `box`; the content is the base class's drawing. A page of a document
    // that is not a FenDocument, or has no holder or no live model, draws its content only.
    virtual void drawPageWatermarks(pdf::Box box, gfx::Context& ctx);
    // The same passes on a context that shows the box as a viewer does (the turned box, origin at
    // its lower-left corner), with `content` drawing the page content in the context's space: the
    // editor draws there its cached picture of the content, so a change of the watermarks never
    // renders the content again.
    void drawPageWatermarks(pdf::Box box, gfx::Context& ctx, const std::function<void()>& content);
    // The page rasterised together with its watermarks into a bitmap of its media box at
    // flatteningScale, drawn instead of its content. Nothing is drawn without a source page.
    virtual void drawSecureFlattenedPage(gfx::Context& ctx);
    // The ordinary passes into `ctx` inside `rect` (in the page's own, unturned space), with
    // `pageImage` drawn into `rect` as the content.
    virtual void drawPageWatermarksInContext(gfx::Context& ctx, const gfx::Image& pageImage,
                                             const gfx::Rect& rect);
    // This page of the holder's source document as a bitmap of `rect` (its media box) at
    // secureSavingScale pixels per point, the crop box's content in its own place and the rest
    // transparent; the null image without a FenDocument, a holder or a source document.
    virtual gfx::Image renderOriginalPageImage(const gfx::Rect& rect);

    // The rotation the drawers get: the page's own, while it is shown and while it is written.
    int drawingRotation() const;

private:
    FenDocument* fenDocument() const;
    // The map from the page's own space onto the turned box that a viewer shows; none for an
    // unturned page.
    std::optional<gfx::AffineTransform> pageToShown(pdf::Box box) const;
    // The seven passes inside `rect`, with `content` as the page content, told whether a pass
    // was drawn under it. `toShown` maps the page's own space onto the context's when the context
    // shows the turned page; the drawers are drawn under it.
    void drawPasses(gfx::Context& ctx, const gfx::Rect& rect, double rotation,
                    const std::optional<gfx::AffineTransform>& toShown,
                    const std::function<void(bool drewUnder)>& content);
    void drawTextPass(gfx::Context& ctx, const gfx::Rect& rect, double rotation,
                      const FenWatermarkModel& model);
};

} // namespace fen

#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/pdf/Box.h"

namespace fen::gfx {
class Context;
}

namespace fen::pdf {

// Maps the unrotated box (0, 0, w, h) onto the box as shown turned clockwise by `rotation`
// (0, 90, 180 or 270, as /Rotate gives it): how a page's own space lies in its picture on screen.
gfx::AffineTransform turnedBoxTransform(int rotation, double w, double h);

class Document;

// One page of a Document. Subclasses override `draw` to draw before and after the page content
// (watermarks); the base class draws the content itself. A page holds no state of its own beyond
// its place in the document.
class Page {
public:
    Page(Document& document, int index);
    virtual ~Page();
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    Document& document() const { return document_; }
    // 0-based index in the document.
    int index() const { return index_; }
    // 1-based number in its file.
    int pageNumber() const { return index_ + 1; }

    // The box in the page's unrotated user space (see Box for the fallbacks).
    gfx::Rect bounds(Box box) const;
    // The inherited /Rotate: 0, 90, 180 or 270 (clockwise, as a viewer turns the page).
    int rotation() const;
    // The size of the box as a viewer shows it, turned by the rotation.
    gfx::Size displaySize(Box box) const;

    // Draws the page into `ctx`. The base class draws the page content without annotations,
    // clipped to the box:
    // - on a context that records a page of a write (Document::write), it marks where the
    //   original content goes: what was drawn before lies under it, what is drawn after lies over
    //   it, and the original content itself stays untouched in the file (drawn a second time, or
    //   into a transparency layer, the content is drawn as vectors in that unturned space);
    // - on any other context, which shows the box as a viewer does (origin at the lower-left
    //   corner of the turned box, y up), it draws the content turned by the page's rotation.
    virtual void draw(Box box, gfx::Context& ctx);

    // Draws the page for the screen into a context that shows the turned box at any scale the
    // caller set: white paper first, then `draw`, whose base then also draws the annotations.
    void drawForDisplay(Box box, gfx::Context& ctx);
    // The page as shown (the turned box) at `scale` pixels per point, drawn by drawForDisplay into
    // a bitmap of the rounded size; the null image when no such bitmap can be made.
    gfx::Image renderForDisplay(Box box, double scale);

protected:
    // True when `ctx` shows the box as a viewer does (the turned box); false when it records a
    // page of a write, whose space is the page's own, unturned (see draw).
    static bool showsTurnedBox(const gfx::Context& ctx);

    // The base class's draw, for a subclass that knows whether it drew anything on `ctx` before
    // it. When it drew nothing, a recording takes what follows as over the content at once,
    // without recording an empty page under it; draw() is this for a subclass that may have.
    void drawBase(Box box, gfx::Context& ctx, bool drewBefore);

private:
    Document& document_;
    int index_;
};

} // namespace fen::pdf

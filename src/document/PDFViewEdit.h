#pragma once

#include "document/EditorPageRendererQueue.h"
#include "document/PDFViewEditLayout.h"
#include "platform/foundation/Signal.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;

namespace fen {

class FenDocument;

// The editor's view of a document: its pages one under another, each drawn with its watermarks
// at the current scale. A page's content is rendered on a worker once per scale into a
// transparent layer kept in a cache; until it arrives the page shows white paper with its
// watermarks. A change of the window's model rebuilds the prepared watermark pictures and
// recomposes only the paper, the watermarks and that layer, on the GUI thread. Only the pages in
// view and those within one screen of them are rendered and kept, so scrolling through a long
// document keeps memory flat; a page too big to hold whole at the scale is rendered only near the
// view. The scale fits the pages to the view until a zoom step (×1.25) sets its own, up to the
// highest scale the document's height allows; "MenuReuqestZoomToFit", "MenuReuqestZoomIn" and
// "MenuReuqestZoomOut" with the document's identifier do the same, about the middle of the view.
// Ctrl with the mouse wheel zooms by a step a notch, about the point under the pointer, which
// stays under it; the wheel alone scrolls. Home and End go to the first and last page. A locked
// document shows a password field, described to assistive tools as the way to open the locked
// document; the right password unlocks it and "PDFDidUnlock" is posted with the document's
// identifier, and a wrong one says "Incorrect password" under the field (and as the field's
// description, so assistive tools announce it) until the next key typed there.
class PDFViewEdit : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PDFViewEdit(QWidget* parent = nullptr);
    ~PDFViewEdit() override;

    // Shows `document` (its pages' shown sizes when already known, else measured here) and
    // follows the model of its holder. `renderer`, a render queue already at work on that
    // document (see firstContent), takes the place of a new one.
    void setDocument(std::shared_ptr<FenDocument> document, std::vector<gfx::Size> sizes = {},
                     std::unique_ptr<EditorPageRendererQueue> renderer = nullptr);
    const std::shared_ptr<FenDocument>& document() const { return document_; }

    // What the view will first ask of a document whose pages have `sizes`: the first page's
    // content at the scale the view will show it at, whole (none when that is too big to render
    // whole, or there is no page). Worked out from the view as it is now, by a function that runs
    // on any thread, so that a loader can have it drawn before the view takes the document.
    using FirstContent =
        std::function<std::optional<ContentRequest>(const std::vector<gfx::Size>& sizes)>;
    FirstContent firstContent() const;

    double scaleFactor() const { return layout_.scale(); }
    // The highest scale this document can be shown at.
    double highestScale() const { return layout_.highestScale(); }
    bool autoScales() const { return autoScales_; }
    void setAutoScales(bool on);
    // A scale of its own (automatic scaling off), in pixels per point.
    void setScaleFactor(double scale);
    void zoomIn();
    void zoomOut();

    // Tries `password` on the locked document; false (still locked) when it is wrong.
    bool unlockWithPassword(const QString& password);
    QLineEdit* passwordField() const { return password_; }
    // The line under the password field that tells a wrong password; hidden otherwise.
    QLabel* passwordMessage() const { return passwordMessage_; }

    // The page as drawn now at the current scale (tests compare it with the written file): the
    // part of it that is rendered, white with its watermarks until its content has arrived.
    QImage pageImage(int index);
    // Whether the page's content at the current scale has arrived for the part in view.
    bool hasContent(int index) const;
    // The page's rectangle in the viewport's coordinates.
    QRect pageRect(int index) const;
    int pageCount() const { return layout_.pageCount(); }
    // The 0-based page at the middle of the view (-1 without pages).
    int currentPage() const;
    // How many pictures of page content have arrived, and how many pages are held now.
    std::uint64_t contentRenderCount() const { return contentRenders_; }
    int cachedPageCount() const { return static_cast<int>(cache_.size()); }
    // Rebuilds the prepared pictures from the model and recomposes the pages (a model change).
    void refresh();

Q_SIGNALS:
    // A page was drawn on the screen with its content (the first one marks the document shown).
    void pageDrawn(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct CachedPage {
        gfx::Image content;
        bool hasContent = false;
        double contentScale = 0;
        PixelRect contentRegion;
        std::uint64_t contentSerial = 0;
        // The picture asked of the workers, kept asked for while it would still do.
        double pendingScale = 0;
        PixelRect pendingRegion;
        QImage composed;
        double composedScale = 0;
        PixelRect composedRegion;
        std::uint64_t composedRevision = 0;
        std::uint64_t composedSerial = 0;
    };

    void layoutPages();
    void fitIfAutomatic();
    double fitScale() const;
    // Sets the scale keeping the point at the middle of the view there.
    void setScale(double scale);
    // Sets the scale keeping the point of the pages at `anchor` (viewport coordinates) there.
    void setScale(double scale, const QPointF& anchor);
    double pixelScale() const;
    // The view's rectangle in the column's pixels, grown by `dx` and `dy` on each side.
    PixelRect viewRect(std::int64_t dx = 0, std::int64_t dy = 0) const;
    // The part of page `index` within `window` (column pixels), in the page's device pixels.
    PixelRect pagePart(int index, const PixelRect& window) const;
    PixelRect pagePixels(int index) const;
    // What page `index` should have rendered now, and what of it must be there to show it.
    PixelRect wantedRegion(int index) const;
    PixelRect neededRegion(int index) const;
    bool covers(const CachedPage& page, const PixelRect& needed) const;
    const QImage& ensureComposed(int index);
    void keepAround();
    void received(const ContentRequest& request, const gfx::Image& content);
    void placePasswordField();
    void showPasswordMessage(bool shown);
    void updateDescription();

    std::shared_ptr<FenDocument> document_;
    std::unique_ptr<EditorPageRendererQueue> queue_;
    PDFViewEditLayout layout_;
    bool autoScales_ = true;
    std::uint64_t revision_ = 1;
    std::uint64_t contentRenders_ = 0;
    std::uint64_t contentSerial_ = 0;
    std::map<int, CachedPage> cache_;
    Connection modelConnection_;
    QLineEdit* password_;
    QLabel* passwordMessage_;
};

} // namespace fen

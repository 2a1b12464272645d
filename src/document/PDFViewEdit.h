#pragma once

#include "platform/foundation/Signal.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QLineEdit;

namespace fen {

class FenDocument;

// The editor's view of a document: its pages one under another, each drawn with its watermarks
// at the current scale. A page's content is rendered once per scale into a transparent layer
// kept in a cache; a change of the window's model rebuilds the prepared watermark pictures and
// recomposes only the paper, the watermarks and that layer. Only the pages in view and those
// within one screen of them are rendered and kept, so scrolling through a long document keeps
// memory flat. The scale fits the pages to the view until a zoom step (×1.25) sets its own;
// "MenuReuqestZoomToFit", "MenuReuqestZoomIn" and "MenuReuqestZoomOut" with the document's
// identifier do the same. A locked document shows a password field; the right password unlocks
// it and "PDFDidUnlock" is posted with the document's identifier.
class PDFViewEdit : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PDFViewEdit(QWidget* parent = nullptr);
    ~PDFViewEdit() override;

    // Shows `document` (its pages' shown sizes when already known, else measured here) and
    // follows the model of its holder.
    void setDocument(std::shared_ptr<FenDocument> document, std::vector<gfx::Size> sizes = {});
    const std::shared_ptr<FenDocument>& document() const { return document_; }

    double scaleFactor() const { return scale_; }
    bool autoScales() const { return autoScales_; }
    void setAutoScales(bool on);
    // A scale of its own (automatic scaling off), in pixels per point.
    void setScaleFactor(double scale);
    void zoomIn();
    void zoomOut();

    // Tries `password` on the locked document; false (still locked) when it is wrong.
    bool unlockWithPassword(const QString& password);
    QLineEdit* passwordField() const { return password_; }

    // The page as drawn at the current scale (tests compare it with the written file).
    QImage pageImage(int index);
    // The page's rectangle in the viewport's coordinates.
    QRect pageRect(int index) const;
    int pageCount() const { return static_cast<int>(sizes_.size()); }
    // How many times page content has been rendered, and how many pages are held now.
    std::uint64_t contentRenderCount() const { return contentRenders_; }
    int cachedPageCount() const { return static_cast<int>(cache_.size()); }
    // Rebuilds the prepared pictures from the model and recomposes the pages (a model change).
    void refresh();

Q_SIGNALS:
    // A page was drawn on the screen (the first one marks the document shown).
    void pageDrawn(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct CachedPage {
        gfx::Image content;
        double contentScale = 0;
        QImage composed;
        double composedScale = 0;
        std::uint64_t composedRevision = 0;
    };

    void layoutPages();
    void fitIfAutomatic();
    double fitScale() const;
    void setScale(double scale);
    std::pair<int, int> pagesWithin(int top, int bottom) const;
    CachedPage& ensureContent(int index);
    const QImage& ensureComposed(int index);
    void keepAround();
    void prefetchNext();
    void placePasswordField();

    std::shared_ptr<FenDocument> document_;
    std::vector<gfx::Size> sizes_;
    std::vector<int> tops_; // each page's top at the current scale, in pixels
    int contentHeight_ = 0;
    int contentWidth_ = 0;
    double scale_ = 1;
    bool autoScales_ = true;
    std::uint64_t revision_ = 1;
    std::uint64_t contentRenders_ = 0;
    std::map<int, CachedPage> cache_;
    std::vector<int> prefetch_;
    bool prefetchQueued_ = false;
    Connection modelConnection_;
    QLineEdit* password_;
};

} // namespace fen

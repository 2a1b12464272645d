#pragma once

#include "platform/foundation/Url.h"
#include "platform/graphics/Geometry.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace fen {

class DroppableArea;
class EditorPageRendererQueue;
class FenDocument;
class PDFViewEdit;

// The PDF area of a document window: the editor's view of the document, 50 points below the top
// edge (where the toolbar lies), on the system background. A picture or PDF file dropped on it
// becomes a temporary copy, announced on "ExternalImageURL" with the document's identifier (no
// object when it is cleared, as a drop whose copy fails does), where the settings tab and the
// image panel take it.
class FenPDFView : public QWidget {
    Q_OBJECT
public:
    explicit FenPDFView(QWidget* parent = nullptr);
    ~FenPDFView() override;

    void setDocument(std::shared_ptr<FenDocument> document, std::vector<gfx::Size> sizes = {},
                     std::unique_ptr<EditorPageRendererQueue> renderer = nullptr);
    PDFViewEdit* pdfView() const { return view_; }
    DroppableArea* dropArea() const { return drop_; }
    const std::optional<Url>& imageUrl() const { return imageUrl_; }
    void setImageUrl(const std::optional<Url>& url);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void announceImageUrl();

    PDFViewEdit* view_;
    DroppableArea* drop_;
    std::optional<Url> imageUrl_;
};

} // namespace fen

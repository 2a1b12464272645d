#include "document/FenPDFView.h"

#include "controls/ImageImporter.h"
#include "document/EditorPageRendererQueue.h"
#include "document/PDFViewEdit.h"
#include "export/NotificationDocumentCenter.h"
#include "rendering/FenDocument.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QVBoxLayout>

namespace fen {

FenPDFView::FenPDFView(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 50, 0, 0);
    view_ = new PDFViewEdit(this);
    layout->addWidget(view_);
    drop_ = ImageImporterModifier::apply(view_);
    connect(drop_, &DroppableArea::imageUrlEdited, this, [this](const std::optional<Url>& url) {
        if (url) {
            setImageUrl(url);
            return;
        }
        // A drop whose copy failed clears the picture, wherever the one shown came from.
        imageUrl_.reset();
        announceImageUrl();
    });
}

FenPDFView::~FenPDFView() {
    // The area goes: the document keeps no prepared pictures for it.
    if (const std::shared_ptr<FenDocument>& document = view_->document()) {
        document->wmObjectHolder = nullptr;
    }
}

void FenPDFView::setDocument(std::shared_ptr<FenDocument> document, std::vector<gfx::Size> sizes,
                             std::unique_ptr<EditorPageRendererQueue> renderer) {
    view_->setDocument(std::move(document), std::move(sizes), std::move(renderer));
}

void FenPDFView::setImageUrl(const std::optional<Url>& url) {
    drop_->setImageUrl(url);
    if (url == imageUrl_) {
        return;
    }
    imageUrl_ = url;
    announceImageUrl();
}

void FenPDFView::announceImageUrl() {
    const std::shared_ptr<FenDocument>& document = view_->document();
    const std::string id = document ? document->processorID.value_or(std::string()) : std::string();
    std::any object;
    if (imageUrl_) {
        object = *imageUrl_;
    }
    NotificationCenter::defaultCenter().post(
        NotificationDocumentCenter::scopedName("ExternalImageURL_", id), object);
}

void FenPDFView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ui::Theme::systemBackground(palette()));
}

} // namespace fen

#include "document/DocumentView.h"

#include "document/ContentView.h"
#include "ui/KeyWindowNodifier.h"
#include "ui/WindowKeyModifiers.h"

#include <QVBoxLayout>

namespace fen {

DocumentView::DocumentView(std::weak_ptr<KvDocument> document, QWidget* parent)
    : DocumentView(std::move(document), HorizontalSizeClass::regular, parent) {}

DocumentView::DocumentView(std::weak_ptr<KvDocument> document, HorizontalSizeClass sizeClass,
                           QWidget* parent)
    : QWidget(parent), document_(document) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    content_ = new ContentView(std::move(document), sizeClass, this);
    layout->addWidget(content_);
    new WindowStyleNodifier(true, true, this);
    new KvWindowKeyResignAccentColorModifier(this);
}

} // namespace fen

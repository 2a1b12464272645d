// The window program: builds the application object and hands over to the shell.
#include "app/FenmoorApp.h"
#include "ui/Tr.h"

#include <QApplication>
#include <QWidget>

namespace {

// The root view of a document window.
QWidget* makeDocumentView(std::weak_ptr<fen::KvDocument> document, QWidget* parent) {
    // Until the document window joins, an empty page area stands in for it.
    (void)document;
    auto* page = new QWidget(parent);
    page->setAccessibleName(fen::ui::tr("Page"));
    return page;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fenmoor"));
    return fen::runFenmoor(app, makeDocumentView);
}

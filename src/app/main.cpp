// The window program: builds the application object and hands over to the shell.
#include "app/FenmoorApp.h"
#include "document/DocumentView.h"

#include <QApplication>
#include <QWidget>

namespace {

// The root view of a document window.
QWidget* makeDocumentView(std::weak_ptr<fen::KvDocument> document, QWidget* parent) {
    return new fen::DocumentView(std::move(document), parent);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fenmoor"));
    return fen::runFenmoor(QApplication::arguments().mid(1), makeDocumentView);
}

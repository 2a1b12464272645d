// The window program: builds the application object and hands over to the shell.
#include "app/FenmoorApp.h"
#include "document/DocumentView.h"

#include <QApplication>
#include <QWidget>

#include <string>
#include <vector>

namespace {

// The root view of a document window.
QWidget* makeDocumentView(std::weak_ptr<fen::KvDocument> document, QWidget* parent) {
    return new fen::DocumentView(std::move(document), parent);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fenmoor"));
    // The arguments' own bytes: a file name need not be text in the locale's encoding.
    return fen::runFenmoor(std::vector<std::string>(argv + 1, argv + argc), makeDocumentView);
}

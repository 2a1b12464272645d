#pragma once

#include "document/MainToolBarViewMoreButton.h"

#include <QWidget>

#include <memory>

namespace fen {

class ContentView;
class KvDocument;

// The root of a document window: one opened PDF file shown with its watermarks beside the
// settings panel, under the toolbar. The shell owns the document; the window only refers to it.
// It styles its window and greys its accent colour while another window is the key window.
class DocumentView : public QWidget {
    Q_OBJECT
public:
    explicit DocumentView(std::weak_ptr<KvDocument> document, QWidget* parent = nullptr);
    // The same with the width class forced (the compact forms of tests and probes).
    DocumentView(std::weak_ptr<KvDocument> document, HorizontalSizeClass sizeClass,
                 QWidget* parent = nullptr);

    ContentView* content() const { return content_; }

private:
    std::weak_ptr<KvDocument> document_;
    ContentView* content_;
};

} // namespace fen

#pragma once

#include "document/MainToolBarViewMoreButton.h"
#include "platform/foundation/NotificationCenter.h"

#include <QWidget>

#include <memory>

namespace fen {

class FenDocumentView;
class KvDocument;
class NotificationDocumentCenter;

// A document window's tree under its root: it owns the window's notification channel (a fresh
// identifier for the window's life), shows the body with the opened file's name and address, lets
// the channel learn its window, and writes an exported file over the opened one on
// "RequestToOverwrite": the file's bytes become the document's bytes to save and the document
// saves them. A failed save keeps the original and the bytes to save, and says so once; a request
// whose object is no file address, for a closed document or an unreadable file ends silently.
class ContentView : public QWidget {
    Q_OBJECT
public:
    explicit ContentView(std::weak_ptr<KvDocument> document,
                         HorizontalSizeClass sizeClass = HorizontalSizeClass::regular,
                         QWidget* parent = nullptr);
    ~ContentView() override;

    const std::shared_ptr<NotificationDocumentCenter>& channel() const { return channel_; }
    FenDocumentView* body() const { return body_; }

private:
    void overwrite(const Notification& notification);

    std::weak_ptr<KvDocument> document_;
    std::shared_ptr<NotificationDocumentCenter> channel_;
    FenDocumentView* body_;
};

} // namespace fen

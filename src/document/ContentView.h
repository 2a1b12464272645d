#pragma once

#include "document/MainToolBarViewMoreButton.h"
#include "platform/foundation/FileIdentity.h"
#include "platform/foundation/NotificationCenter.h"

#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace fen {

class FenDocumentView;
class KvDocument;
class OpenedFile;
class NotificationDocumentCenter;

// A document window's tree under its root: it owns the window's notification channel (a fresh
// identifier for the window's life), shows the body with the opened file's name and address, lets
// the channel learn its window, and writes an exported file over the opened one on
// "RequestToOverwrite": the file's bytes become the document's bytes to save and the document
// saves them. The opened file is remembered as it was when the window was made (and after each of
// its own saves): when another program has written it or put another file in its place since,
// the window asks again before replacing it, Cancel being the default; when it is gone, nothing
// is written. A file whose change time alone moved (its mode, owner or names changed, or a rewrite
// put its size and modification time back) is asked about only when its bytes are no longer
// those of the working copy (as they never are once the window has written the file itself). A
// copy that cannot be read, a file gone and a failed save are each told in one alert over the
// window, and keep the original; a request whose
// object is no file address or for a closed document ends silently.
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
    // Asks before the watermarked `bytes` replace a file another program has changed since.
    void confirmNewerFile(const std::string& name, FileIdentity::Change change,
                          std::shared_ptr<const OpenedFile> copy);
    void replaceOriginal(std::shared_ptr<const OpenedFile> copy);
    // True when the file at `path` still holds the bytes of the window's working copy.
    bool holdsOpenedBytes(const std::filesystem::path& path) const;
    void tellFailure(const QString& reason);

    std::weak_ptr<KvDocument> document_;
    // What the opened file was when the window was made, or after the window last wrote it;
    // nothing when no file could be looked at there.
    std::optional<FileIdentity> opened_;
    std::shared_ptr<NotificationDocumentCenter> channel_;
    FenDocumentView* body_;
};

} // namespace fen

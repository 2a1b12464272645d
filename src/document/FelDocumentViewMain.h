#pragma once

#include "document/MainToolBarViewMoreButton.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Signal.h"
#include "platform/foundation/Url.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QLabel;

namespace fen {

class FelDocumentSaverView;
class FenDocument;
class FenPDFView;
class FenWatermarkModel;
class MainToolBarView;
class NotificationDocumentCenter;
class TemporaryFolder;

// The PDF area of a document window with its toolbar over it. When it first comes on screen it
// reads the opened file on a worker thread (a regular file only; a device or a pipe is refused at
// once) and parses it; for a document it writes the working copy "tmp.pdf" the export reads
// again. Then, on the main queue, it gives the document its prepared-picture holder and the
// window's identifier, tells the model the page count (1 while the file is locked) and shows it.
// The file's bytes live in one buffer, which the parsed document keeps; nothing else holds a copy.
//
// A file that is missing, unreadable, not a regular file or not a PDF leaves the window standing:
// its page area shows one line, "NAME could not be opened: REASON", and Export, Share and More are
// disabled. The locked flag goes up for a locked file and down on "PDFDidUnlock", when the model
// learns the real page count.
//
// The window holds the folders of its working copy and of the pictures it took (a drop, or the
// picture its image watermark shows): they go when the window goes, unless something else (an
// export under way) still holds one.
class FelDocumentViewMain : public QWidget {
    Q_OBJECT
public:
    FelDocumentViewMain(std::shared_ptr<NotificationDocumentCenter> channel,
                        std::shared_ptr<FenWatermarkModel> model,
                        std::optional<std::string> filename, std::optional<Url> fileURL,
                        std::function<void(bool)> setDocumentIsLocked,
                        HorizontalSizeClass sizeClass = HorizontalSizeClass::regular,
                        QWidget* parent = nullptr);
    ~FelDocumentViewMain() override;

    const std::shared_ptr<FenDocument>& pdfDocument() const { return pdfDocument_; }
    FenPDFView* pdfArea() const { return pdfView_; }
    MainToolBarView* toolBar() const { return toolBar_; }
    // The window's invisible saver, where Export, Share and the menu's export arrive.
    FelDocumentSaverView* saverView() const { return saver_; }
    // The line that says why the file could not be opened; hidden while there is none.
    QLabel* failureLine() const { return failureLine_; }
    // The password the user unlocked the document with, kept for the export.
    const std::optional<std::string>& unlockPassword() const { return unlockPassword_; }

    // Starts the load (also done by the first show).
    void load();
    // True once the load has ended, with or without a document.
    bool isLoaded() const { return loaded_; }

Q_SIGNALS:
    void loadFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Loaded;
    void complete(const std::shared_ptr<Loaded>& loaded);
    void showFailure(const std::string& reason);
    // Holds the folder of a file the window took, when it is one of the program's own.
    void keepFolderOf(const std::optional<Url>& file);

    std::shared_ptr<NotificationDocumentCenter> channel_;
    std::shared_ptr<FenWatermarkModel> model_;
    std::optional<std::string> filename_;
    std::optional<Url> fileURL_;
    std::function<void(bool)> setDocumentIsLocked_;
    std::shared_ptr<FenDocument> pdfDocument_;
    std::optional<std::string> unlockPassword_;
    FenPDFView* pdfView_;
    MainToolBarView* toolBar_;
    FelDocumentSaverView* saver_;
    QLabel* failureLine_;
    std::map<std::filesystem::path, std::shared_ptr<TemporaryFolder>> keptFolders_;
    Connection modelChanges_;
    bool started_ = false;
    bool loaded_ = false;
};

} // namespace fen

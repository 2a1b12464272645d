#pragma once

#include "document/MainToolBarViewMoreButton.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace fen {

class FelDocumentSaverView;
class FenDocument;
class FenPDFView;
class FenWatermarkModel;
class MainToolBarView;
class NotificationDocumentCenter;

// The PDF area of a document window with its toolbar over it. When it first comes on screen it
// loads the opened file's bytes on a worker thread (the working copy "tmp.pdf" the export reads
// again, and the parse), then, on the main queue, gives the document its prepared-picture holder
// and the window's identifier, tells the model the page count (1 while the file is locked) and
// shows it. Bytes that are not a PDF leave the area empty, silently. The locked flag goes up for a
// locked file and down on "PDFDidUnlock", when the model learns the real page count.
class FelDocumentViewMain : public QWidget {
    Q_OBJECT
public:
    FelDocumentViewMain(std::shared_ptr<NotificationDocumentCenter> channel,
                        std::shared_ptr<FenWatermarkModel> model,
                        std::optional<std::string> filename, std::optional<std::string> data,
                        std::function<void(bool)> setDocumentIsLocked,
                        HorizontalSizeClass sizeClass = HorizontalSizeClass::regular,
                        QWidget* parent = nullptr);

    const std::shared_ptr<FenDocument>& pdfDocument() const { return pdfDocument_; }
    FenPDFView* pdfArea() const { return pdfView_; }
    MainToolBarView* toolBar() const { return toolBar_; }
    // The window's invisible saver, where Export, Share and the menu's export arrive.
    FelDocumentSaverView* saverView() const { return saver_; }
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

    std::shared_ptr<NotificationDocumentCenter> channel_;
    std::shared_ptr<FenWatermarkModel> model_;
    std::optional<std::string> filename_;
    std::optional<std::string> data_;
    std::function<void(bool)> setDocumentIsLocked_;
    std::shared_ptr<FenDocument> pdfDocument_;
    std::optional<std::string> unlockPassword_;
    FenPDFView* pdfView_;
    MainToolBarView* toolBar_;
    FelDocumentSaverView* saver_;
    bool started_ = false;
    bool loaded_ = false;
};

} // namespace fen

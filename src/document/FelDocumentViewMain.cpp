#include "document/FelDocumentViewMain.h"

#include "document/EditorPageRenderer.h"
#include "document/FelDocumentSaverView.h"
#include "document/FenPDFView.h"
#include "document/MainToolBarView.h"
#include "document/PDFViewEdit.h"
#include "export/FenFilesStorage.h"
#include "export/FenThumbNotifier.h"
#include "export/NotificationDocumentCenter.h"
#include "model/FenWatermarkModel.h"
#include "platform/foundation/MainQueue.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "ui/Observe.h"

#include <QPointer>

#include <vector>

namespace fen {

// What the worker hands to the main queue.
struct FelDocumentViewMain::Loaded {
    std::optional<Url> workingCopy;
    std::shared_ptr<FenDocument> document;
    std::vector<gfx::Size> sizes;
};

FelDocumentViewMain::FelDocumentViewMain(std::shared_ptr<NotificationDocumentCenter> channel,
                                         std::shared_ptr<FenWatermarkModel> model,
                                         std::optional<std::string> filename,
                                         std::optional<std::string> data,
                                         std::function<void(bool)> setDocumentIsLocked,
                                         HorizontalSizeClass sizeClass, QWidget* parent)
    : QWidget(parent), channel_(std::move(channel)), model_(std::move(model)),
      filename_(std::move(filename)), data_(std::move(data)),
      setDocumentIsLocked_(std::move(setDocumentIsLocked)) {
    pdfView_ = new FenPDFView(this);
    const QString title =
        filename_ ? QString::fromStdString(*filename_) : QStringLiteral("Unknown");
    toolBar_ = new MainToolBarView(channel_, model_, title, sizeClass, this);
    toolBar_->raise();
    saver_ = new FelDocumentSaverView(
        channel_, model_, [this] { return unlockPassword_; }, this);

    ui::observe(this, channel_->scopedName("PDFDidUnlock"), [this](const Notification&) {
        if (pdfDocument_) {
            unlockPassword_ = pdfDocument_->password();
            model_->maxNumberOfPage = std::max(1, pdfDocument_->pageCount());
            model_->watermarkModelPublisher.emit();
        }
        setDocumentIsLocked_(false);
    });
}

void FelDocumentViewMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    load();
}

void FelDocumentViewMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    pdfView_->setGeometry(rect());
    toolBar_->setGeometry(0, 0, width(), toolBar_->sizeHint().height());
}

void FelDocumentViewMain::load() {
    if (started_) {
        return;
    }
    started_ = true;
    model_->fileName = filename_.value_or("Unknown");
    if (!data_) {
        loaded_ = true;
        Q_EMIT loadFinished();
        return;
    }
    // Reading and parsing run off the GUI thread; only the finished document comes back.
    QPointer<FelDocumentViewMain> guard(this);
    Background::run([guard, data = *data_]() mutable {
        auto loaded = std::make_shared<Loaded>();
        loaded->workingCopy = FenFilesStorage::writeData(data, "tmp.pdf");
        std::unique_ptr<FenDocument> document = FenDocument::fromData(std::move(data));
        if (document && !document->isLocked()) {
            for (int i = 0; i < document->pageCount(); ++i) {
                loaded->sizes.push_back(EditorPageRenderer::displaySize(*document, i));
            }
        }
        loaded->document = std::move(document);
        MainQueue::post([guard, loaded] {
            if (guard) {
                guard->complete(loaded);
            }
        });
    });
}

void FelDocumentViewMain::complete(const std::shared_ptr<Loaded>& loaded) {
    model_->tmpOriginalDataStorage = loaded->workingCopy;
    std::shared_ptr<FenDocument> document = loaded->document;
    loaded_ = true;
    if (!document) {
        Q_EMIT loadFinished();
        return;
    }
    const bool locked = document->isLocked();
    if (locked) {
        setDocumentIsLocked_(true);
    }
    // A locked file's page count is unknown until it is unlocked; the model never holds 0.
    model_->maxNumberOfPage = locked ? 1 : std::max(1, document->pageCount());
    model_->watermarkModelPublisher.emit();

    auto holder = std::make_shared<FenObjectHolder>();
    holder->model = model_;
    FenThumbNotifier::attach(*holder);
    document->wmObjectHolder = holder;
    document->processorID = channel_->id();
    model_->processorID = channel_->id();
    pdfDocument_ = document;
    pdfView_->setDocument(document, loaded->sizes);
    Q_EMIT loadFinished();
}

} // namespace fen

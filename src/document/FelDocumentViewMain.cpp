#include "document/FelDocumentViewMain.h"

#include "controls/ToolBarViewButton.h"
#include "document/EditorPageRenderer.h"
#include "document/EditorPageRendererQueue.h"
#include "document/FelDocumentSaverView.h"
#include "document/FenPDFView.h"
#include "document/MainToolBarView.h"
#include "document/PDFViewEdit.h"
#include "export/FenFilesStorage.h"
#include "export/FenThumbNotifier.h"
#include "export/NotificationDocumentCenter.h"
#include "model/FenWatermarkModel.h"
#include "platform/foundation/FileIdentity.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MainQueue.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "rendering/WatermarkNotices.h"
#include "shell/KvDocument.h"
#include "ui/Observe.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QLabel>
#include <QPointer>

#include <vector>

namespace fen {

namespace {

// Where the window's watermarks tell what they cannot draw as asked (a text drawn cut, a stamp
// too long to draw, a picture that cannot be used): an alert over the window, and the log as the
// core's other messages. The preview and the window's exports share it, so each is told once.
std::shared_ptr<WatermarkNotices> windowNotices(QWidget* view) {
    QPointer<QWidget> guard(view);
    return std::make_shared<WatermarkNotices>(
        [guard](WatermarkNotices::Kind kind, const std::string& line) {
            log::message(log::Level::warning, line);
            // The export tells from its worker thread.
            MainQueue::post([guard, kind, line] {
                if (!guard) {
                    return;
                }
                const QString title = kind == WatermarkNotices::Kind::pictureUnusable
                                          ? ui::tr("The picture could not be used")
                                          : ui::tr("A watermark is not drawn as it is set");
                ui::presentNotice(guard->window(), title, QString::fromStdString(line));
            });
        });
}

} // namespace

// What the worker hands to the main queue.
struct FelDocumentViewMain::Loaded {
    std::optional<Url> workingCopy;
    std::shared_ptr<TemporaryFolder> workingCopyFolder;
    // What the opened file was just before it was read.
    std::optional<FileIdentity> identity;
    std::shared_ptr<FenDocument> document;
    std::vector<gfx::Size> sizes;
    // Already drawing the first page, for the PDF area to take over.
    std::unique_ptr<EditorPageRendererQueue> renderer;
    // Why there is no document, in the reader's words.
    std::string failure;
};

FelDocumentViewMain::FelDocumentViewMain(std::shared_ptr<NotificationDocumentCenter> channel,
                                         std::shared_ptr<FenWatermarkModel> model,
                                         std::optional<std::string> filename,
                                         std::optional<Url> fileURL,
                                         std::function<void(bool)> setDocumentIsLocked,
                                         HorizontalSizeClass sizeClass, QWidget* parent)
    : QWidget(parent), channel_(std::move(channel)), model_(std::move(model)),
      filename_(std::move(filename)), fileURL_(std::move(fileURL)),
      setDocumentIsLocked_(std::move(setDocumentIsLocked)) {
    pdfView_ = new FenPDFView(this);
    failureLine_ = new QLabel(this);
    failureLine_->setAlignment(Qt::AlignCenter);
    failureLine_->setWordWrap(true);
    failureLine_->setMargin(24);
    QFont font = failureLine_->font();
    font.setPixelSize(15);
    failureLine_->setFont(font);
    failureLine_->hide();
    const QString title =
        filename_ ? QString::fromStdString(*filename_) : QStringLiteral("Unknown");
    toolBar_ = new MainToolBarView(channel_, model_, title, sizeClass, this);
    toolBar_->raise();
    saver_ = new FelDocumentSaverView(
        channel_, model_, [this] { return unlockPassword_; }, this);
    // A save asked for before the document is read waits for it.
    if (fileURL_) {
        saver_->saverModel().documentLoading();
    }
    // The picker opens beside the opened file.
    if (fileURL_ && fileURL_->isFileURL()) {
        saver_->setOpenedFile(fileURL_->path());
    }
    // The export draws the picture the preview shows, not the file read again.
    saver_->saverModel().setPreview([this]() -> std::shared_ptr<const FenObjectHolder> {
        return pdfDocument_ ? pdfDocument_->wmObjectHolder : nullptr;
    });

    ui::observe(this, channel_->scopedName("PDFDidUnlock"), [this](const Notification&) {
        if (pdfDocument_) {
            unlockPassword_ = pdfDocument_->password();
            model_->maxNumberOfPage = std::max(1, pdfDocument_->pageCount());
            model_->watermarkModelPublisher.emit();
        }
        setDocumentIsLocked_(false);
    });
    // The pictures this window takes: a drop on the page, and whatever its image watermark shows
    // (a picked picture, one from the store, a QR code).
    ui::observe(this, channel_->scopedName("ExternalImageURL"),
                [this](const Notification& notification) {
                    if (const auto* url = std::any_cast<Url>(&notification.object)) {
                        keepFolderOf(*url);
                    }
                });
    modelChanges_ = model_->watermarkModelPublisher.connect([this] {
        if (model_->imageConf) {
            keepFolderOf(model_->imageConf->imageURL);
        }
    });
}

FelDocumentViewMain::~FelDocumentViewMain() = default;

void FelDocumentViewMain::keepFolderOf(const std::optional<Url>& file) {
    if (!file || !file->isFileURL() || keptFolders_.count(file->path().parent_path())) {
        return;
    }
    if (std::shared_ptr<TemporaryFolder> folder = FenFilesStorage::keep(*file)) {
        keptFolders_.emplace(folder->path(), std::move(folder));
    }
}

void FelDocumentViewMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    load();
}

void FelDocumentViewMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    pdfView_->setGeometry(rect());
    const int bar = toolBar_->sizeHint().height();
    toolBar_->setGeometry(0, 0, width(), bar);
    failureLine_->setGeometry(0, bar, width(), std::max(0, height() - bar));
}

void FelDocumentViewMain::load() {
    if (started_) {
        return;
    }
    started_ = true;
    model_->fileName = filename_.value_or("Unknown");
    if (!fileURL_) {
        loaded_ = true;
        Q_EMIT loadFinished();
        return;
    }
    // Reading, parsing and the working copy run off the GUI thread; only the finished document
    // comes back. The bytes are read into one buffer that the parsed document keeps. The first
    // page is drawn on a render worker as soon as the document is parsed, at the scale the PDF
    // area will show it at, while the working copy is written and the window takes the document.
    QPointer<FelDocumentViewMain> guard(this);
    Background::run([guard, url = *fileURL_, first = pdfView_->pdfView()->firstContent()] {
        auto loaded = std::make_shared<Loaded>();
        if (url.isFileURL()) {
            loaded->identity = FileIdentity::of(url.path());
        }
        KvDocumentContents contents = KvDocument::read(url);
        if (!contents.data) {
            loaded->failure = contents.failure;
        } else if (std::shared_ptr<FenDocument> document = FenDocument::fromData(contents.data)) {
            // The window only draws it: exports write documents of their own.
            document->setKeepsReadForWrite(false);
            if (!document->isLocked()) {
                for (int i = 0; i < document->pageCount(); ++i) {
                    loaded->sizes.push_back(EditorPageRenderer::displaySize(*document, i));
                }
                if (std::optional<ContentRequest> request = first(loaded->sizes)) {
                    loaded->renderer = std::make_unique<EditorPageRendererQueue>(document);
                    loaded->renderer->want({*request});
                }
            }
            loaded->workingCopy = FenFilesStorage::writeData(*contents.data, "tmp.pdf");
            if (loaded->workingCopy) {
                loaded->workingCopyFolder = FenFilesStorage::keep(*loaded->workingCopy);
            }
            loaded->document = std::move(document);
        } else {
            loaded->failure = "not a PDF document, or damaged";
        }
        contents.data.reset();
        // A window closed meanwhile drops what was loaded, its working copy's folder and its
        // render queue with it, on the main thread: this thread keeps no share of it.
        MainQueue::post([guard, loaded = std::move(loaded)] {
            if (guard) {
                guard->complete(loaded);
            }
        });
    });
}

void FelDocumentViewMain::showFailure(const std::string& reason) {
    const QString line =
        QString::fromStdString(filename_.value_or("Unknown") + " could not be opened: " + reason);
    failureLine_->setText(line);
    failureLine_->setAccessibleName(line);
    failureLine_->show();
    failureLine_->raise();
    toolBar_->raise();
    // Nothing to export, share or set options for.
    toolBar_->moreButton()->setEnabled(false);
    toolBar_->exportButton()->setEnabled(false);
    toolBar_->shareButton()->setEnabled(false);
}

void FelDocumentViewMain::complete(const std::shared_ptr<Loaded>& loaded) {
    model_->tmpOriginalDataStorage = loaded->workingCopy;
    if (loaded->document && loaded->identity) {
        model_->workingCopySource =
            FenWatermarkModel::WorkingCopySource{*fileURL_, *loaded->identity};
    }
    if (loaded->workingCopyFolder) {
        keptFolders_.emplace(loaded->workingCopyFolder->path(), loaded->workingCopyFolder);
    }
    std::shared_ptr<FenDocument> document = loaded->document;
    loaded_ = true;
    if (!document) {
        showFailure(loaded->failure);
        saver_->saverModel().documentRead(false);
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
    holder->notices = windowNotices(this);
    FenThumbNotifier::attach(*holder);
    document->wmObjectHolder = holder;
    document->processorID = channel_->id();
    model_->processorID = channel_->id();
    pdfDocument_ = document;
    pdfView_->setDocument(document, loaded->sizes, std::move(loaded->renderer));
    saver_->saverModel().documentRead(true);
    Q_EMIT loadFinished();
}

} // namespace fen

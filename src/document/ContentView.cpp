#include "document/ContentView.h"

#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/NotificationDocumentCenterModifier.h"
#include "export/NotificationDocumentCenter.h"
#include "model/FenWatermarkModel.h"
#include "platform/foundation/OpenedFile.h"
#include "shell/KvDocument.h"
#include "ui/Observe.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QDialog>
#include <QPointer>
#include <QVBoxLayout>

namespace fen {

ContentView::ContentView(std::weak_ptr<KvDocument> document, HorizontalSizeClass sizeClass,
                         QWidget* parent)
    : QWidget(parent), document_(std::move(document)),
      channel_(NotificationDocumentCenter::makeDocumentNotificationCenter()) {
    // The body reads the file itself, on a worker, when it first shows.
    std::optional<std::string> filename;
    std::optional<Url> fileURL;
    if (std::shared_ptr<KvDocument> opened = document_.lock(); opened && opened->info) {
        filename = opened->info->name;
        fileURL = opened->fileURL();
        // Taken before the body reads the file, so any later change is seen at Replace.
        if (fileURL->isFileURL()) {
            opened_ = FileIdentity::of(fileURL->path());
        }
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    body_ = new FenDocumentView(channel_, std::move(filename), std::move(fileURL), sizeClass, this);
    layout->addWidget(body_);
    // The document learns whether its file opened, once the body has read it.
    connect(body_->main(), &FelDocumentViewMain::loadFinished, this, [this] {
        if (std::shared_ptr<KvDocument> document = document_.lock()) {
            document->finishOpening(body_->main()->pdfDocument() != nullptr);
        }
    });
    NotificationDocumentCenterModifier::apply(this, channel_->id());
    ui::observe(this, channel_->scopedName("RequestToOverwrite"),
                [this](const Notification& notification) { overwrite(notification); });
}

ContentView::~ContentView() = default;

void ContentView::overwrite(const Notification& notification) {
    const auto* url = std::any_cast<Url>(&notification.object);
    if (!url) {
        return;
    }
    std::shared_ptr<KvDocument> document = document_.lock();
    if (!document) {
        return;
    }
    // The copy lies in a temporary folder that a cleaner may have emptied meanwhile; held open,
    // it stays readable until it is written, and it is copied a piece at a time.
    std::error_code opening;
    std::shared_ptr<const OpenedFile> copy = OpenedFile::open(url->path(), opening);
    if (!copy) {
        tellFailure(ui::tr("The watermarked copy could not be read: %1")
                        .arg(QString::fromStdString(opening.message())));
        return;
    }
    const std::string name = document->info && document->info->name
                                 ? *document->info->name
                                 : document->fileURL().lastPathComponent();
    FileIdentity::Change change =
        opened_ ? FileIdentity::compare(*opened_, FileIdentity::of(document->fileURL().path()))
                : FileIdentity::Change::none;
    if (change == FileIdentity::Change::touched && holdsOpenedBytes(document->fileURL().path())) {
        change = FileIdentity::Change::none;
    }
    switch (change) {
    case FileIdentity::Change::none:
        replaceOriginal(std::move(copy));
        return;
    case FileIdentity::Change::gone:
        // Written there, the copy would make a file the user moved or deleted appear again.
        tellFailure(ui::tr("\u201C%1\u201D was moved or deleted since it was opened.")
                        .arg(QString::fromStdString(name)));
        return;
    case FileIdentity::Change::changed:
    case FileIdentity::Change::touched:
    case FileIdentity::Change::replaced:
        confirmNewerFile(name, change, std::move(copy));
        return;
    }
}

void ContentView::confirmNewerFile(const std::string& name, FileIdentity::Change change,
                                   std::shared_ptr<const OpenedFile> copy) {
    const QString title =
        (change == FileIdentity::Change::replaced
             ? ui::tr("\u201C%1\u201D was replaced by another file since it was opened.")
             : ui::tr("\u201C%1\u201D was changed by another program since it was opened."))
            .arg(QString::fromStdString(name));
    QPointer<ContentView> guard(this);
    QDialog* alert = ui::makeAlert(
        window(), title,
        ui::tr("Replace it anyway with the watermarked copy of the document as it was opened?"),
        {ui::AlertButton{ui::tr("Cancel"), nullptr, true, true},
         ui::AlertButton{ui::tr("Replace"),
                         [guard, copy] {
                             if (guard) {
                                 guard->replaceOriginal(copy);
                             }
                         },
                         false, false}});
    alert->open();
}

void ContentView::replaceOriginal(std::shared_ptr<const OpenedFile> copy) {
    std::shared_ptr<KvDocument> document = document_.lock();
    if (!document) {
        return;
    }
    document->fileToSave = std::move(copy);
    if (const std::error_code error = document->save()) {
        // Nothing saves it again: the copy is let go, so its space goes with its folder.
        document->fileToSave.reset();
        tellFailure(QString::fromStdString(error.message()));
        return;
    }
    // The file now is the window's own.
    opened_ = FileIdentity::of(document->fileURL().path());
}

bool ContentView::holdsOpenedBytes(const std::filesystem::path& path) const {
    const std::optional<Url>& copy = body_->model()->tmpOriginalDataStorage;
    if (!copy) {
        return false;
    }
    std::error_code error;
    const std::shared_ptr<const OpenedFile> file = OpenedFile::open(path, error);
    const std::shared_ptr<const OpenedFile> working = OpenedFile::open(copy->path(), error);
    return file && working && file->holdsSameBytesAs(*working);
}

void ContentView::tellFailure(const QString& reason) {
    ui::presentNotice(window(), ui::tr("The original file could not be replaced"), reason);
}

} // namespace fen

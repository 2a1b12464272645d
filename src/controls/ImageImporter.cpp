#include "controls/ImageImporter.h"

#include "export/FenFilesStorage.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/WholeFileReader.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QBuffer>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QPointer>

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fen {

namespace {

const QString pdfMime = QStringLiteral("application/pdf");

bool looksLikePDF(const QByteArray& bytes) {
    return bytes.left(1024).contains("%PDF-");
}

// Whether the bytes start as a picture Qt can read or as a PDF.
bool startsAsPictureOrPDF(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return !QImageReader::imageFormat(&buffer).isEmpty() || looksLikePDF(bytes);
}

// Whether the file at `path` is one a drop can deliver: a regular file that starts as a picture or
// a PDF. Only its first bytes are read, and only from a regular file: it is opened without
// waiting, so a pipe or a device is refused before a byte is read.
bool deliversPictureOrPDF(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    QByteArray head;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        head.resize(16 * 1024);
        ssize_t got = 0;
        do {
            got = ::read(fd, head.data(), static_cast<size_t>(head.size()));
        } while (got < 0 && errno == EINTR);
        head.resize(got > 0 ? static_cast<qsizetype>(got) : 0);
    }
    ::close(fd);
    return !head.isEmpty() && startsAsPictureOrPDF(head);
}

std::string toStd(const QByteArray& bytes) {
    return std::string(bytes.constData(), bytes.size());
}

// Tells the user, over `over`'s window, in one line why a picture could not be stored.
void tellWriteFailure(QWidget* over, const FenFilesStorage::WriteFailure& failure) {
    const QString system = QString::fromStdString(failure.error.message());
    const QString reason =
        !failure.folder.empty()
            ? ui::tr("The temporary folder \u201C%1\u201D could not be used: %2")
                  .arg(QString::fromStdString(failure.folder.string()), system)
            : (failure.noFolder ? ui::tr("No temporary folder could be made for it")
                                : ui::tr("It could not be written to a temporary file")) +
                  QStringLiteral(": ") + system;
    ui::presentNotice(over ? over->window() : nullptr, ui::tr("The picture could not be used"),
                      reason);
}

} // namespace

bool ImageDropDelegate::validateDrop(const QMimeData& mime) {
    if (mime.hasUrls()) {
        // The first local file is what the drop delivers (firstItem): it decides.
        for (const QUrl& url : mime.urls()) {
            if (url.isLocalFile()) {
                return deliversPictureOrPDF(url.toLocalFile());
            }
        }
    }
    if (mime.hasFormat(pdfMime) || mime.hasImage()) {
        return true;
    }
    for (const QString& format : mime.formats()) {
        if (format.startsWith(QLatin1String("image/"))) {
            return true;
        }
    }
    return false;
}

std::optional<DroppedItem> ImageDropDelegate::firstItem(const QMimeData& mime) {
    if (!validateDrop(mime)) {
        return std::nullopt;
    }
    DroppedItem item;
    if (mime.hasUrls()) {
        QUrl first;
        for (const QUrl& url : mime.urls()) {
            if (url.isLocalFile()) {
                first = url;
                break;
            }
        }
        if (first.isValid()) {
            // Regular files only: a dropped pipe or device (a FIFO, /dev/zero) would block the
            // main thread or never end.
            WholeFile file = WholeFileReader::readRegular(
                std::filesystem::path(first.toLocalFile().toStdString()));
            if (file) {
                const QByteArray bytes = QByteArray::fromRawData(
                    file.bytes->data(), static_cast<qsizetype>(file.bytes->size()));
                QBuffer buffer;
                buffer.setData(bytes);
                buffer.open(QIODevice::ReadOnly);
                if (!QImageReader::imageFormat(&buffer).isEmpty()) {
                    item.imageData = *file.bytes;
                }
                if (looksLikePDF(bytes)) {
                    item.pdfData = *file.bytes;
                }
            }
            return item;
        }
    }
    for (const QString& format : mime.formats()) {
        if (format.startsWith(QLatin1String("image/"))) {
            item.imageData = toStd(mime.data(format));
            break;
        }
    }
    if (mime.hasFormat(pdfMime)) {
        item.pdfData = toStd(mime.data(pdfMime));
    }
    return item;
}

DroppableArea::DroppableArea(QWidget* target) : QObject(target), target_(target) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool DroppableArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched != target_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // Judged once as the drag comes in (a file's first bytes are read), then kept while it
        // moves: a refused drag shows the pointer's refusal over the whole target.
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (event->type() == QEvent::DragEnter) {
            dragTaken_ = drag->mimeData() && ImageDropDelegate::validateDrop(*drag->mimeData());
        }
        if (dragTaken_) {
            drag->acceptProposedAction();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop:
        drop(static_cast<QDropEvent*>(event));
        return true;
    default:
        return false;
    }
}

void DroppableArea::drop(QDropEvent* event) {
    const auto item =
        event->mimeData() ? ImageDropDelegate::firstItem(*event->mimeData()) : std::nullopt;
    if (!item) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Picture first, then PDF; each stored later on the main queue, as the data would arrive.
    QPointer<DroppableArea> guard(this);
    if (item->imageData) {
        MainQueue::post([guard, data = *item->imageData] {
            if (guard) {
                guard->store(data, false);
            }
        });
    }
    if (item->pdfData) {
        MainQueue::post([guard, data = *item->pdfData] {
            if (guard) {
                guard->store(data, true);
            }
        });
    }
}

void DroppableArea::store(const std::string& data, bool isPDF) {
    FenFilesStorage::WriteFailure failure;
    imageUrl_ = FenFilesStorage::writeImageData(data, isPDF, failure);
    // A failed write clears the owner's picture too: the drop replaced it, with nothing.
    Q_EMIT imageUrlEdited(imageUrl_);
    if (!imageUrl_) {
        tellWriteFailure(target_, failure);
    }
}

QDialog* refuseNonRegularFile(QWidget* over, const QString& path, const QString& title) {
    std::error_code error;
    const auto status = std::filesystem::status(std::filesystem::path(path.toStdString()), error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) {
        return nullptr;
    }
    const QString name =
        QString::fromStdString(std::filesystem::path(path.toStdString()).filename().string());
    return ui::presentNotice(over ? over->window() : nullptr, title,
                             ui::tr("\u201C%1\u201D is not a regular file.").arg(name));
}

DroppableArea* ImageImporterModifier::apply(QWidget* content) {
    return new DroppableArea(content);
}

ImagePicker::Chooser ImagePicker::fileDialog(const QString& title, const QStringList& nameFilters) {
    return [title, nameFilters](QWidget* parent, std::function<void(std::optional<QString>)> done) {
        auto* dialog = new QFileDialog(parent, title);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setNameFilters(nameFilters);
        auto answered = std::make_shared<bool>(false);
        QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                         [done, answered](const QString& path) {
                             *answered = true;
                             done(path);
                         });
        QObject::connect(dialog, &QDialog::finished, dialog, [done, answered](int) {
            if (!*answered) {
                *answered = true;
                done(std::nullopt);
            }
        });
        ui::openFileDialog(dialog);
    };
}

ImagePicker::ImagePicker(QObject* parent, Chooser chooser)
    : QObject(parent), chooser_(std::move(chooser)) {
    if (!chooser_) {
        chooser_ = fileDialog(ui::tr("Choose a Picture"),
                              {ui::tr("Images") + QStringLiteral(" (*.png *.jpg *.jpeg *.gif *.bmp "
                                                                 "*.tif *.tiff *.webp)")});
    }
}

void ImagePicker::present(QWidget* parent) {
    parent_ = parent;
    showing_ = true;
    Q_EMIT showingImagePickerEdited(true);
    QPointer<ImagePicker> guard(this);
    chooser_(parent, [guard](std::optional<QString> path) {
        if (guard) {
            guard->finishPicking(path);
        }
    });
}

void ImagePicker::finishPicking(const std::optional<QString>& path) {
    showing_ = false;
    Q_EMIT showingImagePickerEdited(false);
    if (!path || refuseNonRegularFile(parent_, *path, ui::tr("Choose a Picture"))) {
        return;
    }
    const QImage picture(*path);
    if (picture.isNull()) {
        return;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        return;
    }
    QPointer<ImagePicker> guard(this);
    MainQueue::post([guard, data = toStd(png)] {
        if (!guard) {
            return;
        }
        FenFilesStorage::WriteFailure failure;
        const auto url = FenFilesStorage::writeImageData(data, false, failure);
        Q_EMIT guard->imageEdited(url);
        if (!url) {
            tellWriteFailure(guard->parent_, failure);
        }
    });
}

} // namespace fen

#include "panels/SpecialAdditionalImageCenter.h"

#include "export/NotificationDocumentCenter.h"
#include "storage/MainSettingsImageHolder.h"
#include "ui/ImageCopy.h"
#include "ui/Observe.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QFileInfo>
#include <QPainter>
#include <QPointer>

#include <iostream>

namespace fen {

namespace {

// The importer's file dialog: one existing picture or PDF file.
ImagePicker::Chooser importDialog() {
    return ImagePicker::fileDialog(
        ui::tr("Import Image"),
        {ui::tr("Images and PDF Files") +
             QStringLiteral(" (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp *.pdf)"),
         ui::tr("Images") + QStringLiteral(" (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp)"),
         ui::tr("PDF Files") + QStringLiteral(" (*.pdf)")});
}

} // namespace

SpecialAdditionalImageCenter::SpecialAdditionalImageCenter(
    std::shared_ptr<MainSettingsImageHolder> imageHolder,
    std::shared_ptr<NotificationDocumentCenter> channel, ImagePicker::Chooser chooser,
    QWidget* parent)
    : QPushButton(parent), imageHolder_(std::move(imageHolder)), channel_(std::move(channel)) {
    setChooser(std::move(chooser));
    setAccessibleName(ui::tr("Import Image"));
    setToolTip(ui::tr("Import Image"));
    setFlat(true);
    setMinimumWidth(40);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    QFont title = font();
    title.setPixelSize(22);
    title.setWeight(QFont::DemiBold);
    setFont(title);

    drop_ = ImageImporterModifier::apply(this);
    connect(drop_, &DroppableArea::imageUrlEdited, this,
            &SpecialAdditionalImageCenter::imageChosen);
    connect(this, &QPushButton::clicked, this, &SpecialAdditionalImageCenter::presentImportPanel);

    // The preview starts from the last picture the window made and follows each new one.
    setImage(imageHolder_ ? imageHolder_->imageImage : std::nullopt);
    if (channel_) {
        ui::observe(this, channel_->scopedName("ImageImage_"), [this](const Notification& note) {
            std::optional<gfx::Image> image;
            if (const auto* picture = std::any_cast<gfx::Image>(&note.object)) {
                image = *picture;
            }
            if (imageHolder_) {
                imageHolder_->imageImage = image;
            }
            setImage(std::move(image));
        });
    }
}

QString SpecialAdditionalImageCenter::placeholderText() {
    return ui::tr("Drop Image Here\nor\nClick to import");
}

void SpecialAdditionalImageCenter::setChooser(ImagePicker::Chooser chooser) {
    chooser_ = chooser ? std::move(chooser) : importDialog();
}

void SpecialAdditionalImageCenter::setImage(std::optional<gfx::Image> image) {
    if (image && image->isNull()) {
        image.reset();
    }
    image_ = std::move(image);
    picture_ = image_ ? ui::toQImage(*image_) : QImage();
    update();
}

void SpecialAdditionalImageCenter::presentImportPanel() {
    if (importing_) {
        return;
    }
    importing_ = true;
    QPointer<SpecialAdditionalImageCenter> guard(this);
    chooser_(window(), [guard](std::optional<QString> path) {
        if (guard) {
            guard->finishImport(path);
        }
    });
}

void SpecialAdditionalImageCenter::finishImport(const std::optional<QString>& path) {
    importing_ = false;
    if (!path) {
        return;
    }
    if (importAlert_) {
        importAlert_->close();
    }
    importAlert_ = refuseNonRegularFile(this, *path, ui::tr("Import Image"));
    if (importAlert_) {
        return;
    }
    const QFileInfo file(*path);
    if (!file.isFile() || !file.isReadable()) {
        std::cout << "The file \"" << path->toStdString() << "\" could not be read." << std::endl;
        return;
    }
    Q_EMIT imageChosen(Url::fileURL(file.absoluteFilePath().toStdString()));
}

void SpecialAdditionalImageCenter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.setOpacity(0.3);
        painter.setPen(ui::Theme::primary(palette()));
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, placeholderText());
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF fitted = QSizeF(picture_.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                        fitted);
    painter.drawImage(target, picture_);
}

} // namespace fen

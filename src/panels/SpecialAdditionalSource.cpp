#include "panels/SpecialAdditionalSource.h"

#include "controls/DFColorWell.h"
#include "controls/ToolBarViewButton.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/EnterNewNameModifier.h"
#include "panels/SavedListPanel.h"
#include "storage/OptionListModel.h"
#include "ui/ImageCopy.h"
#include "ui/Observe.h"
#include "ui/Tr.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <utility>

#include <algorithm>

namespace fen {

namespace {

// The preview: the picture scaled to fit inside the padding and centred, or the placeholder text.
class SourcePreview : public QLabel {
public:
    SourcePreview(QString placeholder, QString pictureName, int padding, QWidget* parent)
        : QLabel(parent), placeholder_(std::move(placeholder)),
          pictureName_(std::move(pictureName)), padding_(padding) {
        setAlignment(Qt::AlignCenter);
        setWordWrap(true);
        setMinimumWidth(40);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    void setPicture(const QImage& picture) {
        picture_ = picture;
        if (picture_.isNull()) {
            setText(placeholder_);
            setAccessibleName(placeholder_);
        } else {
            setText(QString());
            setAccessibleName(pictureName_);
        }
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (picture_.isNull()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF area = QRectF(rect()).adjusted(padding_, padding_, -padding_, -padding_);
        const QSizeF fitted = QSizeF(picture_.size()).scaled(area.size(), Qt::KeepAspectRatio);
        const QRectF target(QPointF(area.center().x() - fitted.width() / 2,
                                    area.center().y() - fitted.height() / 2),
                            fitted);
        painter.drawImage(target, picture_);
    }

private:
    QImage picture_;
    QString placeholder_;
    QString pictureName_;
    int padding_;
};

} // namespace

SpecialAdditionalSource::SpecialAdditionalSource(
    const StampTextColor& stampTextColor, std::function<void(const StampTextColor&)> write,
    std::unique_ptr<OptionListModel> dbModel, SourceRowKind kind,
    std::shared_ptr<MainSettingsImageHolder> imageHolder,
    std::shared_ptr<NotificationDocumentCenter> channel, QWidget* parent)
    : QWidget(parent), dbModel_(std::move(dbModel)), kind_(std::move(kind)),
      logic_(std::move(write)), imageHolder_(std::move(imageHolder)), channel_(std::move(channel)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    setFixedHeight(100);

    OptionListModel* model = dbModel_.get();
    selector_ = new SpecialAdditionalGenericSelector(
        kind_.selectorTitle, logic_.selection(), logic_.options(),
        [model, sheet = kind_.listSheet](std::function<void(bool)> isPresented) -> QWidget* {
            return sheet(*model, std::move(isPresented));
        },
        this);
    row->addWidget(selector_, 0, Qt::AlignVCenter);

    auto* preview =
        new SourcePreview(kind_.placeholder, kind_.pictureName, kind_.picturePadding, this);
    QFont font = preview->font();
    font.setPixelSize(22);
    font.setWeight(QFont::DemiBold);
    preview->setFont(font);
    auto* dim = new QGraphicsOpacityEffect(preview);
    dim->setOpacity(0.3);
    preview->setGraphicsEffect(dim);
    preview_ = preview;
    row->addWidget(preview_, 1);

    auto* buttons = new QWidget(this);
    auto* column = new QVBoxLayout(buttons);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    well_ = new DFColorWell(50, logic_.colorValue(), buttons);
    // 80 points wide, or as wide as the well when that is wider.
    buttons->setFixedWidth(std::max(80, well_->sizeHint().width()));
    QSizePolicy keep = well_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    well_->setSizePolicy(keep);
    column->addWidget(well_, 0, Qt::AlignRight);
    // "Open preset" and "Save preset" each present their dialog once, until it is closed.
    const auto addButton = [this, buttons, column](const char* symbol, const char* name,
                                                   QPointer<QDialog>& shown, auto present) {
        auto* button = new SpecialAdditionalButton(
            symbol, false,
            [this, &shown, present] {
                if (!shown) {
                    shown = present(this, channel_, kind_.presets, [&shown] { shown = nullptr; });
                }
            },
            false, buttons);
        button->setAccessibleName(ui::tr(name));
        button->setToolTip(ui::tr(name));
        column->addWidget(button, 0, Qt::AlignRight);
        return button;
    };
    // Named apart from the text list's "Open" and "Save" above the page.
    open_ = addButton("list.bullet.rectangle.portrait", "Open preset", presetsSheet_,
                      &SavedListPanel::present);
    save_ = addButton("bookmark", "Save preset", nameAlert_, &EnterNewNameModifier::present);
    row->addWidget(buttons);

    logic_.changed = [this] { refresh(); };
    connect(selector_, &SpecialAdditionalGenericSelector::selectionEdited, this,
            [this](const std::string& id) { logic_.selectionChosen(id); });
    connect(well_, &DFColorWell::colorValueEdited, this,
            [this](const gfx::Color& color) { logic_.colorChosen(color); });
    // The list's first read, when it comes after the row appeared, is its first fill (no change of
    // the list: the bound text is looked up in it, nothing reset or removed).
    modelConnection_ = dbModel_->objectWillChange.connect([this] {
        if (!std::exchange(filled_, true)) {
            logic_.appear(logic_.bound(), dbModel_->options());
        } else {
            logic_.storeOptionsChanged(dbModel_->options());
        }
    });

    // The preview starts from the last picture the window made and follows each new one.
    setImage(imageHolder_ ? imageHolder_.get()->*kind_.heldPicture : std::nullopt);
    if (channel_) {
        ui::observe(this, channel_->scopedName(kind_.pictureMessage),
                    [this](const Notification& note) {
                        std::optional<gfx::Image> image;
                        if (const auto* picture = std::any_cast<gfx::Image>(&note.object)) {
                            image = *picture;
                        }
                        if (imageHolder_) {
                            imageHolder_.get()->*kind_.heldPicture = image;
                        }
                        setImage(std::move(image));
                    });
    }
    logic_.appear(stampTextColor, dbModel_->options());
    filled_ = dbModel_->hasRead();
    refresh();
}

SpecialAdditionalSource::~SpecialAdditionalSource() {
    // A sheet still open over the row's list (its window closing) goes first, while that list
    // lives: closing it commits the entry being edited. The row no longer follows the list.
    modelConnection_.disconnect();
    delete selector_->sheet();
}

void SpecialAdditionalSource::setStampTextColor(const StampTextColor& value) {
    logic_.boundChanged(value);
}

void SpecialAdditionalSource::refresh() {
    selector_->setOptions(logic_.options());
    selector_->setSelection(logic_.selection());
    well_->setColorValue(logic_.colorValue());
    save_->setIsDisabled(logic_.selection() == SPAOptions::kNoneID);
    showWell();
}

void SpecialAdditionalSource::setImage(std::optional<gfx::Image> image) {
    if (image && image->isNull()) {
        image.reset();
    }
    image_ = std::move(image);
    static_cast<SourcePreview*>(preview_)->setPicture(image_ ? ui::toQImage(*image_) : QImage());
    if (auto* dim = static_cast<QGraphicsOpacityEffect*>(preview_->graphicsEffect())) {
        dim->setOpacity(image_ ? 1.0 : 0.3);
    }
    showWell();
}

void SpecialAdditionalSource::showWell() {
    // A hidden well keeps its place and takes no clicks.
    well_->setVisible(kind_.wellFollowsPicture ? image_.has_value()
                                               : logic_.selection() != SPAOptions::kNoneID);
}

} // namespace fen

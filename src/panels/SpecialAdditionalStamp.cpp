#include "panels/SpecialAdditionalStamp.h"

#include "controls/DFColorWell.h"
#include "controls/SpecialAdditionalGenericSelector.h"
#include "controls/ToolBarViewButton.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/EnterNewNameModifier.h"
#include "panels/SavedListPanel.h"
#include "panels/StampWatermarksListView.h"
#include "storage/MainSettingsImageHolder.h"
#include "storage/StampDBModel.h"
#include "ui/ImageCopy.h"
#include "ui/Observe.h"
#include "ui/Tr.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace fen {

namespace {

// The preview: the picture scaled to fit and centred, or the placeholder text.
class StampPreview : public QLabel {
public:
    explicit StampPreview(QWidget* parent) : QLabel(parent) {
        setAlignment(Qt::AlignCenter);
        setWordWrap(true);
        setMinimumWidth(40);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    void setPicture(const QImage& picture) {
        picture_ = picture;
        if (picture_.isNull()) {
            setText(ui::tr("No Stamp Selected"));
            setAccessibleName(ui::tr("No Stamp Selected"));
        } else {
            setText(QString());
            setAccessibleName(ui::tr("Stamp"));
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
        const QSizeF fitted = QSizeF(picture_.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
        const QRectF target(
            QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
        painter.drawImage(target, picture_);
    }

private:
    QImage picture_;
};

} // namespace

SpecialAdditionalStamp::SpecialAdditionalStamp(const StampTextColor& stampTextColor,
                                               std::function<void(const StampTextColor&)> write,
                                               std::shared_ptr<MainSettingsImageHolder> imageHolder,
                                               std::shared_ptr<NotificationDocumentCenter> channel,
                                               QWidget* parent)
    : QWidget(parent), dbModel_(std::make_unique<StampDBModel>()), logic_(std::move(write)),
      imageHolder_(std::move(imageHolder)), channel_(std::move(channel)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    setFixedHeight(100);

    StampDBModel* model = dbModel_.get();
    selector_ = new SpecialAdditionalGenericSelector(
        logic_.selection(), logic_.options(),
        [model](std::function<void(bool)> isPresented) -> QWidget* {
            return new StampWatermarksListView(*model, std::move(isPresented));
        },
        this);
    row->addWidget(selector_, 0, Qt::AlignVCenter);

    auto* preview = new StampPreview(this);
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
    open_ = new SpecialAdditionalButton(
        "list.bullet.rectangle.portrait", false,
        [this] {
            if (!presetsSheet_) {
                presetsSheet_ = SavedListPanel::present(this, channel_, PresetsList::stamp,
                                                        [this] { presetsSheet_ = nullptr; });
            }
        },
        false, buttons);
    open_->setAccessibleName(ui::tr("Open"));
    open_->setToolTip(ui::tr("Open"));
    column->addWidget(open_, 0, Qt::AlignRight);
    save_ = new SpecialAdditionalButton(
        "bookmark", false,
        [this] {
            if (!nameAlert_) {
                nameAlert_ = EnterNewNameModifier::present(this, channel_, PresetsList::stamp,
                                                           [this] { nameAlert_ = nullptr; });
            }
        },
        false, buttons);
    save_->setAccessibleName(ui::tr("Save"));
    save_->setToolTip(ui::tr("Save"));
    column->addWidget(save_, 0, Qt::AlignRight);
    row->addWidget(buttons);

    logic_.changed = [this] { refresh(); };
    connect(selector_, &SpecialAdditionalGenericSelector::selectionEdited, this,
            [this](const std::string& id) { logic_.selectionChosen(id); });
    connect(well_, &DFColorWell::colorValueEdited, this,
            [this](const gfx::Color& color) { logic_.colorChosen(color); });
    modelConnection_ = dbModel_->objectWillChange.connect(
        [this] { logic_.storeOptionsChanged(dbModel_->options()); });

    // The preview starts from the last picture the window made and follows each new one.
    setImage(imageHolder_ ? imageHolder_->stampImage : std::nullopt);
    if (channel_) {
        ui::observe(this, channel_->scopedName("StampImage_"), [this](const Notification& note) {
            std::optional<gfx::Image> image;
            if (const auto* picture = std::any_cast<gfx::Image>(&note.object)) {
                image = *picture;
            }
            if (imageHolder_) {
                imageHolder_->stampImage = image;
            }
            setImage(std::move(image));
        });
    }
    logic_.appear(stampTextColor, dbModel_->options());
    refresh();
}

SpecialAdditionalStamp::~SpecialAdditionalStamp() = default;

void SpecialAdditionalStamp::setStampTextColor(const StampTextColor& value) {
    logic_.boundChanged(value);
}

void SpecialAdditionalStamp::refresh() {
    selector_->setOptions(logic_.options());
    selector_->setSelection(logic_.selection());
    well_->setColorValue(logic_.colorValue());
    save_->setIsDisabled(logic_.selection() == SPAOptions::kNoneID);
}

void SpecialAdditionalStamp::setImage(std::optional<gfx::Image> image) {
    if (image && image->isNull()) {
        image.reset();
    }
    image_ = std::move(image);
    static_cast<StampPreview*>(preview_)->setPicture(image_ ? ui::toQImage(*image_) : QImage());
    // No picture, no stamp: the well takes no clicks then.
    well_->setVisible(image_.has_value());
    if (auto* dim = static_cast<QGraphicsOpacityEffect*>(preview_->graphicsEffect())) {
        dim->setOpacity(image_ ? 1.0 : 0.3);
    }
}

} // namespace fen

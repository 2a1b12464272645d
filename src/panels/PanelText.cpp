#include "panels/PanelText.h"

#include "controls/BackgroundForegroundView.h"
#include "controls/ColorAndTypeView.h"
#include "controls/FontSelectorModel.h"
#include "controls/FontSelectorView.h"
#include "controls/FormContainers.h"
#include "controls/PositionSelectorView.h"
#include "controls/SlidersBlock.h"
#include "storage/MainSettingsImageHolder.h"

#include <QSignalBlocker>
#include <QVBoxLayout>

namespace fen {

const FontSelectorCatalog& PanelText::installedFonts() {
    static const InstalledFontCatalog catalog;
    return catalog;
}

PanelText::PanelText(const TextSettings& textConf,
                     std::shared_ptr<MainSettingsImageHolder> imageHolder,
                     std::vector<Positions> positionItems, bool isInBackground, QWidget* parent)
    : QWidget(parent), logic_(isInBackground), imageHolder_(std::move(imageHolder)) {
    // The bound record first: the controls are built on it and never show the placeholders.
    logic_.load(textConf);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    form_ = new FenForm(this);
    layout->addWidget(FenNavigationView(form_));

    position_ = new PositionSelectorView(logic_.position(), std::move(positionItems));
    form_->addRow(SectionPositionModifier::apply(position_, QString()));
    font_ = new FontSelectorView(logic_.font(), installedFonts());
    form_->addRow(SectionModifier::apply(font_, QString()));
    colour_ = new ColorAndTypeView(logic_.colorOutline(), logic_.colorOutline().isOutlined,
                                   logic_.colorOutline().color);
    form_->addRow(SectionModifier::apply(colour_, QString()));
    opacity_ = new SlidersBlockUnit(QStringLiteral("Opacity"), logic_.opacity(), 0, 100,
                                    QStringLiteral("%"));
    form_->addRow(SectionModifier::apply(opacity_, QString()));
    layer_ = new BackgroundForegroundView(logic_.isInBackground());
    form_->addRow(SectionModifier::apply(layer_, QString()));

    connect(position_, &PositionSelectorView::positionEdited, this,
            [this](Positions position) { write(logic_.setPosition(position)); });
    connect(font_, &FontSelectorView::valueEdited, this,
            [this](const FontSetting& font) { write(logic_.setFont(font)); });
    connect(colour_, &ColorAndTypeView::valueEdited, this,
            [this](const ColorOutlineSetting& colour) { write(logic_.setColorOutline(colour)); });
    connect(opacity_, &SlidersBlockUnit::valueEdited, this,
            [this](std::int64_t opacity) { write(logic_.setOpacity(opacity)); });
    connect(layer_, &BackgroundForegroundView::isInBackgroundEdited, this,
            [this](bool isInBackground) { write(logic_.setIsInBackground(isInBackground)); });
}

void PanelText::write(const std::optional<TextSettings>& record) {
    if (record) {
        Q_EMIT valueEdited(*record);
    }
}

void PanelText::setValue(const TextSettings& textConf) {
    if (textConf == logic_.bound()) {
        return;
    }
    logic_.load(textConf);
    showLogic();
}

void PanelText::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    showLogic();
}

void PanelText::showLogic() {
    // Every control takes its copy; only the font editor may answer, with the replacement of an
    // empty value, which the working copy then writes when the bound record lacks it.
    const QSignalBlocker positionBlocker(position_);
    const QSignalBlocker colourBlocker(colour_);
    const QSignalBlocker opacityBlocker(opacity_);
    const QSignalBlocker layerBlocker(layer_);
    position_->setPosition(logic_.position());
    font_->setValue(logic_.font());
    colour_->setValue(logic_.colorOutline());
    opacity_->setValue(logic_.opacity());
    layer_->setIsInBackground(logic_.isInBackground());
}

} // namespace fen

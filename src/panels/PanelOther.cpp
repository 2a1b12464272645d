#include "panels/PanelOther.h"

#include "controls/DistanceToEdgeView.h"
#include "controls/FontSelectorView.h"
#include "controls/FormContainers.h"
#include "controls/PagesFromToStart.h"
#include "controls/PositionSelectorView.h"
#include "panels/OtherStyleView.h"
#include "panels/PanelSections.h"
#include "panels/PanelText.h"
#include "panels/SpecialAdditionalOther.h"
#include "ui/Tr.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace fen {

PanelOther::PanelOther(const PageNumberSettings& otherConf,
                       std::shared_ptr<MainSettingsImageHolder> imageHolder,
                       std::shared_ptr<NotificationDocumentCenter> channel,
                       std::vector<Positions> positionItems, OtherStyles selectionStyle,
                       const PageNumberConfiguration& pagenumberConf, QWidget* parent)
    : QWidget(parent), logic_(selectionStyle, pagenumberConf) {
    // The bound record first: the controls are built on it, so building them writes nothing.
    logic_.load(otherConf);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    form_ = new FenForm(this);
    outer->addWidget(FenNavigationView(form_));

    source_ = new SpecialAdditionalOther(
        logic_.otherTextColor(),
        [this](const StampTextColor& value) {
            if (!loading_) {
                write(logic_.setOtherTextColor(value));
            }
        },
        std::move(imageHolder), std::move(channel));
    addSourceSection(form_, source_);

    position_ = new PositionSelectorView(logic_.position(), std::move(positionItems));
    form_->addRow(SectionPositionModifier::apply(position_, QString()));
    font_ = new FontSelectorView(logic_.font(), PanelText::installedFonts());
    form_->addRow(SectionModifier::apply(font_, QString()));
    pageRange_ = new PagesFromToStart(logic_.pagenumberConf());
    form_->addRow(SectionModifier::apply(pageRange_, QString()));
    style_ = new OtherStyleView(OtherStyleView::allStyles(), logic_.selectionStyle());
    form_->addRow(SectionModifier::apply(style_, QString()));
    // Both rows are titled "Style"; a screen reader tells them apart by these names.
    font_->styleRow()->picker()->setAccessibleName(ui::tr("Font style"));
    style_->picker()->setAccessibleName(ui::tr("Numbering style"));
    distance_ = new DistanceToEdgeView(logic_.distanceToEdge());
    form_->addRow(SectionModifier::apply(distance_, QStringLiteral("Distance to Edge")));

    connect(position_, &PositionSelectorView::positionEdited, this,
            [this](Positions value) { write(logic_.setPosition(value)); });
    connect(font_, &FontSelectorView::valueEdited, this,
            [this](const FontSetting& value) { write(logic_.setFont(value)); });
    connect(
        pageRange_, &PagesFromToStart::valueEdited, this,
        [this](const PageNumberConfiguration& value) { write(logic_.setPagenumberConf(value)); });
    connect(style_, &PopupPickerRow::chosen, this,
            [this] { write(logic_.setSelectionStyle(style_->selection())); });
    connect(distance_, &DistanceToEdgeView::valueEdited, this,
            [this](const DistanceToEdgeSetting& value) { write(logic_.setDistanceToEdge(value)); });
}

void PanelOther::write(const std::optional<PageNumberSettings>& record) {
    if (record) {
        Q_EMIT valueEdited(*record);
    }
}

void PanelOther::setValue(const PageNumberSettings& otherConf) {
    if (otherConf == logic_.bound()) {
        return;
    }
    // The whole record reaches the copies before any control shows it; the controls' loads write
    // nothing back, but for the font editor's replacement of an empty font, which its copy then
    // writes when the record lacks it.
    loading_ = true;
    logic_.load(otherConf);
    {
        const QSignalBlocker positionBlocker(position_);
        const QSignalBlocker rangeBlocker(pageRange_);
        const QSignalBlocker styleBlocker(style_);
        const QSignalBlocker distanceBlocker(distance_);
        source_->setStampTextColor(logic_.otherTextColor());
        position_->setPosition(logic_.position());
        pageRange_->setValue(logic_.pagenumberConf());
        style_->setSelection(logic_.selectionStyle());
        distance_->setValue(logic_.distanceToEdge());
    }
    loading_ = false;
    font_->setValue(logic_.font());
}

} // namespace fen

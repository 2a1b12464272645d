#include "panels/PanelStamp.h"

#include "controls/FormContainers.h"
#include "controls/PositionSelectorView.h"
#include "controls/SlidersBlock.h"
#include "controls/WMAnglesView.h"
#include "model/StartOfToday.h"
#include "panels/NameAndDate.h"
#include "panels/SpecialAdditionalStamp.h"

#include <QVBoxLayout>

namespace fen {

PanelStamp::PanelStamp(const StampSettings& stampConf,
                       std::function<void(const StampSettings&)> write,
                       std::shared_ptr<MainSettingsImageHolder> imageHolder,
                       std::shared_ptr<NotificationDocumentCenter> channel,
                       std::vector<Positions> positionItems, WMAngles selectionAngle,
                       NameAndDateLogic::Clock clock, QWidget* parent)
    : QWidget(parent),
      logic_(std::move(write), selectionAngle, startOfToday(clock ? clock() : Date::now())),
      positionItems_(std::move(positionItems)) {
    // The local copies take the bound record before any control exists, so building the controls
    // writes nothing.
    logic_.load(stampConf);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    form_ = new FenForm(this);
    outer->addWidget(FenNavigationView(form_));

    source_ = new SpecialAdditionalStamp(
        logic_.stampTextColor(),
        [this](const StampTextColor& value) {
            if (!loading_) {
                logic_.setStampTextColor(value);
            }
        },
        std::move(imageHolder), std::move(channel));
    auto* sourceSection = SectionModifier::apply(source_, QString());
    // The source row reaches 10 points further towards the leading side than the other sections.
    sourceSection->setContentsMargins(-10, 0, 0, 0);
    form_->addRow(sourceSection);

    position_ = new PositionSelectorView(logic_.position(), positionItems_);
    form_->addRow(SectionPositionModifier::apply(position_, QString()));
    connect(position_, &PositionSelectorView::positionEdited, this,
            [this](Positions position) { logic_.setPosition(position); });

    angles_ = new WMAnglesView(PanelStampLogic::angleItems(), logic_.selectionAngle());
    form_->addRow(SectionModifier::apply(angles_, QString()));
    connect(angles_, &WMAnglesView::selectionAngleEdited, this,
            [this](WMAngles angle) { logic_.setSelectionAngle(angle); });

    sizeOpacity_ = new SlidersBlockSizeOpacity(logic_.sizeOpacity(), 100);
    form_->addRow(SectionModifier::apply(sizeOpacity_, QString()));
    connect(sizeOpacity_, &SlidersBlockSizeOpacity::valueEdited, this,
            [this](const SizeOpacitySetting& value) { logic_.setSizeOpacity(value); });

    nameAndDate_ = new NameAndDate(
        logic_.datename(),
        [this](const DateAndName& record) {
            if (!loading_) {
                logic_.setDatename(record);
            }
        },
        std::move(clock));
    form_->addRow(SectionModifier::apply(nameAndDate_, QString()));
}

void PanelStamp::setStampConf(const StampSettings& settings) {
    if (settings == logic_.bound()) {
        return;
    }
    // The whole record is applied before any control reacts; the controls' own loads write
    // nothing back (the date section's re-dating excepted, applied after).
    loading_ = true;
    logic_.load(settings);
    source_->setStampTextColor(logic_.stampTextColor());
    position_->setPosition(logic_.position());
    angles_->setSelectionAngle(logic_.selectionAngle());
    sizeOpacity_->setValue(logic_.sizeOpacity());
    nameAndDate_->setDateandname(logic_.datename());
    loading_ = false;
    if (nameAndDate_->logic().bound() != logic_.datename()) {
        logic_.setDatename(nameAndDate_->logic().bound());
    }
}

} // namespace fen

#include "panels/PanelStamp.h"

#include "controls/FormContainers.h"
#include "model/StartOfToday.h"
#include "panels/NameAndDate.h"
#include "panels/PanelSections.h"
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
    addSourceSection(form_, source_);

    const PlacementSections placement = addPlacementSections(form_, this, logic_, positionItems_,
                                                             PanelStampLogic::angleItems(), 100);
    position_ = placement.position;
    angles_ = placement.angles;
    sizeOpacity_ = placement.sizeOpacity;

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

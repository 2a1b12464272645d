#include "panels/SpecialAdditionalStamp.h"

#include "panels/StampWatermarksListView.h"
#include "storage/StampDBModel.h"
#include "ui/Tr.h"

namespace fen {

namespace {

QWidget* stampList(OptionListModel& model, std::function<void(bool)> isPresented) {
    return new StampWatermarksListView(static_cast<StampDBModel&>(model), std::move(isPresented));
}

} // namespace

SpecialAdditionalStamp::SpecialAdditionalStamp(const StampTextColor& stampTextColor,
                                               std::function<void(const StampTextColor&)> write,
                                               std::shared_ptr<MainSettingsImageHolder> imageHolder,
                                               std::shared_ptr<NotificationDocumentCenter> channel,
                                               QWidget* parent)
    : SpecialAdditionalSource(stampTextColor, std::move(write), std::make_unique<StampDBModel>(),
                              SourceRowKind{PresetsList::stamp, "StampImage_",
                                            &MainSettingsImageHolder::stampImage,
                                            ui::tr("Select stamp"), ui::tr("No Stamp Selected"),
                                            ui::tr("Stamp"), 0, true, &stampList},
                              std::move(imageHolder), std::move(channel), parent) {}

StampDBModel& SpecialAdditionalStamp::dbModel() const {
    return static_cast<StampDBModel&>(optionModel());
}

} // namespace fen

#include "panels/SpecialAdditionalOther.h"

#include "panels/OtherWatermarksListView.h"
#include "storage/PageNumberDBModel.h"
#include "ui/Tr.h"

namespace fen {

SpecialAdditionalOther::SpecialAdditionalOther(const StampTextColor& otherTextColor,
                                               std::function<void(const StampTextColor&)> write,
                                               std::shared_ptr<MainSettingsImageHolder> imageHolder,
                                               std::shared_ptr<NotificationDocumentCenter> channel,
                                               QWidget* parent)
    : SpecialAdditionalSource(
          otherTextColor, std::move(write), std::make_unique<PageNumberDBModel>(),
          SourceRowKind{PresetsList::pagenumber, "OtherImage_",
                        &MainSettingsImageHolder::otherPagenumberImage,
                        ui::tr("Select page number"), ui::tr("No Selection"), ui::tr("Page Number"),
                        8, false, &pageNumberFormatsSheetContent},
          std::move(imageHolder), std::move(channel), parent) {}

PageNumberDBModel& SpecialAdditionalOther::dbModel() const {
    return static_cast<PageNumberDBModel&>(optionModel());
}

} // namespace fen

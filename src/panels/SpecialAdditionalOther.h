#pragma once

#include "panels/SpecialAdditionalSource.h"

namespace fen {

class PageNumberDBModel;

// The page-number panel's source row: the stored formats (their "Customize List" opens the sheet
// "Page Number Watermarks"), the prepared page number ("No Selection" while there is none; the
// colour well shows while a format is chosen) and the page-number presets.
class SpecialAdditionalOther : public SpecialAdditionalSource {
    Q_OBJECT
public:
    SpecialAdditionalOther(const StampTextColor& otherTextColor,
                           std::function<void(const StampTextColor&)> write,
                           std::shared_ptr<MainSettingsImageHolder> imageHolder,
                           std::shared_ptr<NotificationDocumentCenter> channel,
                           QWidget* parent = nullptr);

    PageNumberDBModel& dbModel() const;
};

} // namespace fen

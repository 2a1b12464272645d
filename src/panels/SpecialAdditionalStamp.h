#pragma once

#include "panels/SpecialAdditionalSource.h"

namespace fen {

class StampDBModel;

// The stamp panel's source row: the stored stamp texts (their "Customize List" opens the stamp
// list sheet), the prepared stamp ("No Stamp Selected" while there is none; the colour well shows
// only beside a picture) and the stamp presets.
class SpecialAdditionalStamp : public SpecialAdditionalSource {
    Q_OBJECT
public:
    SpecialAdditionalStamp(const StampTextColor& stampTextColor,
                           std::function<void(const StampTextColor&)> write,
                           std::shared_ptr<MainSettingsImageHolder> imageHolder,
                           std::shared_ptr<NotificationDocumentCenter> channel,
                           QWidget* parent = nullptr);

    StampDBModel& dbModel() const;
};

} // namespace fen

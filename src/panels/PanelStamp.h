#pragma once

#include "panels/NameAndDateLogic.h"
#include "panels/PanelStampLogic.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QVBoxLayout;

namespace fen {

class FenForm;
class NameAndDate;
class NotificationDocumentCenter;
class PositionSelectorView;
class SlidersBlockSizeOpacity;
class SpecialAdditionalStamp;
class WMAnglesView;
struct MainSettingsImageHolder;

// The stamp watermark's panel in the settings tab: the source row, the position grid, the angle
// picker (fourteen angles, Auto eighth), the size and opacity sliders (size up to 100) and the
// date-and-name section. It edits the tab's stamp settings through `write` and setStampConf, on
// local copies (PanelStampLogic); a loaded record is applied whole and not written back, except the
// re-dating of a current date of another day.
class PanelStamp : public QWidget {
    Q_OBJECT
public:
    PanelStamp(const StampSettings& stampConf, std::function<void(const StampSettings&)> write,
               std::shared_ptr<MainSettingsImageHolder> imageHolder,
               std::shared_ptr<NotificationDocumentCenter> channel,
               std::vector<Positions> positionItems = PanelStampLogic::defaultPositionItems(),
               WMAngles selectionAngle = WMAngles::auto_, NameAndDateLogic::Clock clock = {},
               QWidget* parent = nullptr);

    // The bound settings changed from outside (a loaded preset, another panel's write).
    void setStampConf(const StampSettings& settings);

    const PanelStampLogic& logic() const { return logic_; }
    const std::vector<Positions>& positionItems() const { return positionItems_; }
    SpecialAdditionalStamp* source() const { return source_; }
    PositionSelectorView* position() const { return position_; }
    WMAnglesView* angles() const { return angles_; }
    SlidersBlockSizeOpacity* sizeOpacity() const { return sizeOpacity_; }
    NameAndDate* nameAndDate() const { return nameAndDate_; }
    FenForm* form() const { return form_; }

private:
    PanelStampLogic logic_;
    std::vector<Positions> positionItems_;
    FenForm* form_;
    SpecialAdditionalStamp* source_;
    PositionSelectorView* position_;
    WMAnglesView* angles_;
    SlidersBlockSizeOpacity* sizeOpacity_;
    NameAndDate* nameAndDate_;
    bool loading_ = false;
};

} // namespace fen

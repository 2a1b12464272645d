#pragma once

#include "controls/ImageImporter.h"
#include "panels/PanelImageLogic.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace fen {

class BackgroundForegroundView;
class DistanceToEdgeView;
class FenForm;
class NotificationDocumentCenter;
class PositionSelectorView;
class SlidersBlockSizeOpacity;
class SpecialAdditionalImage;
class WMAnglesView;
struct MainSettingsImageHolder;

// The image watermark's panel in the settings tab: the source row, the position grid, the angle
// picker (thirteen angles, no Auto), the size and opacity sliders (size up to 200), the distance to
// the edge and the layer. It edits the tab's image settings through `write` and setImageConf, on
// local copies (PanelImageLogic); a loaded record is applied whole and not written back. A
// picture dropped on the window's page area ("ExternalImageURL_" of its channel) becomes the
// panel's picture; the message without a file removes it.
class PanelImage : public QWidget {
    Q_OBJECT
public:
    PanelImage(std::shared_ptr<NotificationDocumentCenter> channel, const ImageSettings& imageConf,
               std::function<void(const ImageSettings&)> write,
               std::shared_ptr<MainSettingsImageHolder> imageHolder,
               std::vector<Positions> positionItems = PanelImageLogic::defaultPositionItems(),
               WMAngles selectionAngle = WMAngles::d0, bool isInBackground = true,
               ImagePicker::Chooser importChooser = {}, QWidget* parent = nullptr);

    // The bound settings changed from outside (a loaded preset, another panel's write).
    void setImageConf(const ImageSettings& settings);
    // A picture dropped on the window's page area (none: the page area's picture was removed).
    void takeExternalImage(const std::optional<Url>& url);

    const PanelImageLogic& logic() const { return logic_; }
    const std::vector<Positions>& positionItems() const { return positionItems_; }
    SpecialAdditionalImage* source() const { return source_; }
    PositionSelectorView* position() const { return position_; }
    WMAnglesView* angles() const { return angles_; }
    SlidersBlockSizeOpacity* sizeOpacity() const { return sizeOpacity_; }
    DistanceToEdgeView* distanceToEdge() const { return distanceToEdge_; }
    BackgroundForegroundView* layer() const { return layer_; }
    FenForm* form() const { return form_; }

private:
    std::shared_ptr<NotificationDocumentCenter> channel_;
    PanelImageLogic logic_;
    std::vector<Positions> positionItems_;
    FenForm* form_;
    SpecialAdditionalImage* source_;
    PositionSelectorView* position_;
    WMAnglesView* angles_;
    SlidersBlockSizeOpacity* sizeOpacity_;
    DistanceToEdgeView* distanceToEdge_;
    BackgroundForegroundView* layer_;
    bool loading_ = false;
};

} // namespace fen

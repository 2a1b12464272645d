#pragma once

#include "model/ImageSettings.h"

#include <functional>
#include <optional>
#include <vector>

namespace fen {

// The rules of the image panel without a widget: one local copy per field of the bound image
// settings, loaded from them (each copy only when it differs) and written back as a whole new
// record when the user changes a copy to a value the settings do not hold. A new picture is
// always written, whatever the settings hold. A loaded record is never written back. Main thread
// only.
class PanelImageLogic {
public:
    PanelImageLogic(std::function<void(const ImageSettings&)> write, WMAngles startAngle,
                    bool startInBackground);

    const std::optional<Url>& imageUrl() const { return imageUrl_; }
    Positions position() const { return position_; }
    WMAngles selectionAngle() const { return selectionAngle_; }
    const SizeOpacitySetting& sizeOpacity() const { return sizeOpacity_; }
    const DistanceToEdgeSetting& distanceToEdge() const { return distanceToEdge_; }
    bool isInBackground() const { return isInBackground_; }
    const ImageSettings& bound() const { return bound_; }

    // The panel appears, or the bound settings changed: takes what differs, writes nothing.
    void load(const ImageSettings& settings);

    // The changes of the panel's controls.
    void setImageUrl(const std::optional<Url>& value);
    void setPosition(Positions value);
    void setSelectionAngle(WMAngles value);
    void setSizeOpacity(const SizeOpacitySetting& value);
    void setDistanceToEdge(const DistanceToEdgeSetting& value);
    void setIsInBackground(bool value);

    // The seven positions the panel offers, in order.
    static std::vector<Positions> defaultPositionItems();
    // The thirteen angles the panel offers, in order: -60 to 60 degrees in steps of 10, no auto.
    static std::vector<WMAngles> angleItems();

private:
    void writeBound();

    std::function<void(const ImageSettings&)> write_;
    ImageSettings bound_;
    Positions position_ = Positions::topleft;
    WMAngles selectionAngle_;
    SizeOpacitySetting sizeOpacity_{0, 0};
    DistanceToEdgeSetting distanceToEdge_{0, 0};
    bool isInBackground_;
    std::optional<Url> imageUrl_;
};

} // namespace fen

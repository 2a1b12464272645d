#pragma once

#include "model/StampSettings.h"

#include <functional>
#include <vector>

namespace fen {

// The rules of the stamp panel without a widget: one local copy per field of the bound stamp
// settings, loaded from them (each copy only when it differs) and written back as a whole new
// record when the user changes one copy to a value the settings do not hold. So a loaded record
// is never written back. Main thread only.
class PanelStampLogic {
public:
    // `today` is the start of the day the panel is built on, the date of its first date line.
    PanelStampLogic(std::function<void(const StampSettings&)> write, WMAngles startAngle,
                    Date today);

    Positions position() const { return position_; }
    WMAngles selectionAngle() const { return selectionAngle_; }
    const SizeOpacitySetting& sizeOpacity() const { return sizeOpacity_; }
    const DateAndName& datename() const { return datename_; }
    const StampTextColor& stampTextColor() const { return stampTextColor_; }
    const StampSettings& bound() const { return bound_; }

    // The panel appears, or the bound settings changed: takes what differs, writes nothing.
    void load(const StampSettings& settings);

    // The changes of the panel's controls.
    void setPosition(Positions value);
    void setSelectionAngle(WMAngles value);
    void setSizeOpacity(const SizeOpacitySetting& value);
    void setDatename(const DateAndName& value);
    void setStampTextColor(const StampTextColor& value);

    // The seven positions the panel offers, in order.
    static std::vector<Positions> defaultPositionItems();
    // The fourteen angles the panel offers, in order (auto between 0 and 10 degrees).
    static std::vector<WMAngles> angleItems();

private:
    void writeBound();

    std::function<void(const StampSettings&)> write_;
    StampSettings bound_;
    Positions position_ = Positions::topleft;
    WMAngles selectionAngle_;
    SizeOpacitySetting sizeOpacity_{0, 0};
    DateAndName datename_;
    StampTextColor stampTextColor_;
};

} // namespace fen

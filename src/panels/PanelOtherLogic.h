#pragma once

#include "model/PageNumberSettings.h"

#include <optional>
#include <vector>

namespace fen {

// The rules of the page-number panel without a widget: a working copy of each of the six fields
// of the bound PageNumberSettings, loaded from the bound record (each copy only when it differs)
// and written back as a whole new record after a change the bound record does not hold. So a
// loaded record is never written back. A bound record without a format leaves the local format
// and colour as they were: the next edit writes them back with it. Main thread only.
class PanelOtherLogic {
public:
    // The starting style and page range are the creator's; the other copies start from
    // placeholders (top left, an empty font of size 0, no distance, no format in red) that the
    // first load replaces.
    PanelOtherLogic(OtherStyles selectionStyle, const PageNumberConfiguration& pagenumberConf);

    // The eleven positions the panel offers, in grid order: the odd page before the even one.
    static std::vector<Positions> defaultPositionItems();

    // Takes `bound` as the bound record and loads each copy that differs from its field.
    void load(const PageNumberSettings& bound);
    const PageNumberSettings& bound() const { return bound_; }

    Positions position() const { return position_; }
    const FontSetting& font() const { return font_; }
    const PageNumberConfiguration& pagenumberConf() const { return pagenumberConf_; }
    OtherStyles selectionStyle() const { return selectionStyle_; }
    const DistanceToEdgeSetting& distanceToEdge() const { return distanceToEdge_; }
    const StampTextColor& otherTextColor() const { return otherTextColor_; }

    // A control's change: sets the copy and, when the bound field does not hold it, returns the
    // whole new record, which becomes the bound record (the caller assigns it to the binding).
    std::optional<PageNumberSettings> setPosition(Positions value);
    std::optional<PageNumberSettings> setFont(const FontSetting& value);
    std::optional<PageNumberSettings> setPagenumberConf(const PageNumberConfiguration& value);
    std::optional<PageNumberSettings> setSelectionStyle(OtherStyles value);
    std::optional<PageNumberSettings> setDistanceToEdge(const DistanceToEdgeSetting& value);
    std::optional<PageNumberSettings> setOtherTextColor(const StampTextColor& value);

private:
    std::optional<PageNumberSettings> writeBackUnless(bool held);

    PageNumberSettings bound_;
    Positions position_ = Positions::topleft;
    FontSetting font_{"", "", 0};
    DistanceToEdgeSetting distanceToEdge_{0, 0};
    OtherStyles selectionStyle_;
    PageNumberConfiguration pagenumberConf_;
    StampTextColor otherTextColor_;
};

} // namespace fen

#include "panels/PanelOtherLogic.h"

namespace fen {

namespace {

bool samePosition(Positions a, Positions b) {
    return localizationKey(a) == localizationKey(b);
}

// Sets `copy` to `value` only when they differ, as each step of a load does.
template <typename T> void take(T& copy, const T& value) {
    if (!(copy == value)) {
        copy = value;
    }
}

} // namespace

PanelOtherLogic::PanelOtherLogic(OtherStyles selectionStyle,
                                 const PageNumberConfiguration& pagenumberConf)
    : selectionStyle_(selectionStyle),
      pagenumberConf_(pagenumberConf), otherTextColor_{std::nullopt, gfx::Color{1, 0, 0, 1}} {}

std::vector<Positions> PanelOtherLogic::defaultPositionItems() {
    return {Positions::topleft,       Positions::topcenter,     Positions::topright,
            Positions::topoddleft,    Positions::topevenleft,   Positions::middle,
            Positions::bottomleft,    Positions::bottomcenter,  Positions::bottomright,
            Positions::bottomoddleft, Positions::bottomevenleft};
}

void PanelOtherLogic::load(const PageNumberSettings& bound) {
    bound_ = bound;
    if (!samePosition(position_, bound.position)) {
        position_ = bound.position;
    }
    take(font_, bound.font);
    take(pagenumberConf_, bound.pagenumberConf);
    take(selectionStyle_, bound.style);
    take(distanceToEdge_, bound.distanceToEdge);
    // Without a bound format the local one stays, to be written back by the next edit.
    if (bound.numberTextColor) {
        take(otherTextColor_, *bound.numberTextColor);
    }
}

std::optional<PageNumberSettings> PanelOtherLogic::writeBackUnless(bool held) {
    if (held) {
        return std::nullopt;
    }
    bound_ = PageNumberSettings{otherTextColor_, position_,       font_,
                                pagenumberConf_, selectionStyle_, distanceToEdge_};
    return bound_;
}

std::optional<PageNumberSettings> PanelOtherLogic::setPosition(Positions value) {
    position_ = value;
    return writeBackUnless(samePosition(value, bound_.position));
}

std::optional<PageNumberSettings> PanelOtherLogic::setFont(const FontSetting& value) {
    font_ = value;
    return writeBackUnless(value == bound_.font);
}

std::optional<PageNumberSettings>
PanelOtherLogic::setPagenumberConf(const PageNumberConfiguration& value) {
    pagenumberConf_ = value;
    return writeBackUnless(value == bound_.pagenumberConf);
}

std::optional<PageNumberSettings> PanelOtherLogic::setSelectionStyle(OtherStyles value) {
    selectionStyle_ = value;
    return writeBackUnless(value == bound_.style);
}

std::optional<PageNumberSettings>
PanelOtherLogic::setDistanceToEdge(const DistanceToEdgeSetting& value) {
    distanceToEdge_ = value;
    return writeBackUnless(value == bound_.distanceToEdge);
}

std::optional<PageNumberSettings> PanelOtherLogic::setOtherTextColor(const StampTextColor& value) {
    otherTextColor_ = value;
    // An absent bound format never equals the local one.
    return writeBackUnless(bound_.numberTextColor == value);
}

} // namespace fen

#include "panels/PanelStampLogic.h"

namespace fen {

PanelStampLogic::PanelStampLogic(std::function<void(const StampSettings&)> write,
                                 WMAngles startAngle, Date today)
    : write_(std::move(write)), selectionAngle_(startAngle) {
    datename_.dateValue = today;
    datename_.isDateCurrent = true;
    stampTextColor_.stampColor = gfx::Color{1, 0, 0, 1};
}

std::vector<Positions> PanelStampLogic::defaultPositionItems() {
    return {Positions::topleft,    Positions::topcenter,  Positions::topright,
            Positions::middle,     Positions::bottomleft, Positions::bottomcenter,
            Positions::bottomright};
}

std::vector<WMAngles> PanelStampLogic::angleItems() {
    return {WMAngles::dm60, WMAngles::dm50, WMAngles::dm40,  WMAngles::dm30, WMAngles::dm20,
            WMAngles::dm10, WMAngles::d0,   WMAngles::auto_, WMAngles::dp10, WMAngles::dp20,
            WMAngles::dp30, WMAngles::dp40, WMAngles::dp50,  WMAngles::dp60};
}

void PanelStampLogic::load(const StampSettings& settings) {
    bound_ = settings;
    if (localizationKey(position_) != localizationKey(settings.position)) {
        position_ = settings.position;
    }
    selectionAngle_ = settings.angle;
    sizeOpacity_ = settings.sizeopacity;
    datename_ = settings.datename;
    // An absent text and colour leave the local ones as they are.
    if (settings.stampTextColor) {
        stampTextColor_ = *settings.stampTextColor;
    }
}

void PanelStampLogic::setPosition(Positions value) {
    position_ = value;
    if (localizationKey(bound_.position) != localizationKey(value)) {
        writeBound();
    }
}

void PanelStampLogic::setSelectionAngle(WMAngles value) {
    selectionAngle_ = value;
    if (bound_.angle != value) {
        writeBound();
    }
}

void PanelStampLogic::setSizeOpacity(const SizeOpacitySetting& value) {
    sizeOpacity_ = value;
    if (bound_.sizeopacity != value) {
        writeBound();
    }
}

void PanelStampLogic::setDatename(const DateAndName& value) {
    datename_ = value;
    if (bound_.datename != value) {
        writeBound();
    }
}

void PanelStampLogic::setStampTextColor(const StampTextColor& value) {
    stampTextColor_ = value;
    // An absent bound text and colour never equal the local one.
    if (!bound_.stampTextColor || *bound_.stampTextColor != value) {
        writeBound();
    }
}

void PanelStampLogic::writeBound() {
    StampSettings next;
    next.stampTextColor = stampTextColor_;
    next.position = position_;
    next.angle = selectionAngle_;
    next.sizeopacity = sizeOpacity_;
    next.datename = datename_;
    bound_ = next;
    if (write_) {
        write_(next);
    }
}

} // namespace fen

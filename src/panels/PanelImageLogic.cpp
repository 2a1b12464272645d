#include "panels/PanelImageLogic.h"

namespace fen {

PanelImageLogic::PanelImageLogic(std::function<void(const ImageSettings&)> write,
                                 WMAngles startAngle, bool startInBackground)
    : write_(std::move(write)), selectionAngle_(startAngle), isInBackground_(startInBackground) {}

std::vector<Positions> PanelImageLogic::defaultPositionItems() {
    return {Positions::topleft,    Positions::topcenter,  Positions::topright,
            Positions::middle,     Positions::bottomleft, Positions::bottomcenter,
            Positions::bottomright};
}

std::vector<WMAngles> PanelImageLogic::angleItems() {
    return {WMAngles::dm60, WMAngles::dm50, WMAngles::dm40, WMAngles::dm30, WMAngles::dm20,
            WMAngles::dm10, WMAngles::d0,   WMAngles::dp10, WMAngles::dp20, WMAngles::dp30,
            WMAngles::dp40, WMAngles::dp50, WMAngles::dp60};
}

void PanelImageLogic::load(const ImageSettings& settings) {
    bound_ = settings;
    if (localizationKey(position_) != localizationKey(settings.position)) {
        position_ = settings.position;
    }
    selectionAngle_ = settings.angle;
    sizeOpacity_ = settings.sizeopacity;
    distanceToEdge_ = settings.distanceToEdge;
    isInBackground_ = settings.isWatermarkInBackground;
    imageUrl_ = settings.imageURL;
}

void PanelImageLogic::setImageUrl(const std::optional<Url>& value) {
    if (value == imageUrl_) {
        return;
    }
    imageUrl_ = value;
    writeBound();
}

void PanelImageLogic::setPosition(Positions value) {
    position_ = value;
    if (localizationKey(bound_.position) != localizationKey(value)) {
        writeBound();
    }
}

void PanelImageLogic::setSelectionAngle(WMAngles value) {
    selectionAngle_ = value;
    if (bound_.angle != value) {
        writeBound();
    }
}

void PanelImageLogic::setSizeOpacity(const SizeOpacitySetting& value) {
    sizeOpacity_ = value;
    if (bound_.sizeopacity != value) {
        writeBound();
    }
}

void PanelImageLogic::setDistanceToEdge(const DistanceToEdgeSetting& value) {
    distanceToEdge_ = value;
    if (bound_.distanceToEdge != value) {
        writeBound();
    }
}

void PanelImageLogic::setIsInBackground(bool value) {
    isInBackground_ = value;
    if (bound_.isWatermarkInBackground != value) {
        writeBound();
    }
}

void PanelImageLogic::writeBound() {
    ImageSettings next;
    next.imageURL = imageUrl_;
    next.position = position_;
    next.angle = selectionAngle_;
    next.sizeopacity = sizeOpacity_;
    next.distanceToEdge = distanceToEdge_;
    next.isWatermarkInBackground = isInBackground_;
    bound_ = next;
    if (write_) {
        write_(next);
    }
}

} // namespace fen

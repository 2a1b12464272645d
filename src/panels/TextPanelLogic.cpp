#include "panels/TextPanelLogic.h"

namespace fen {

TextPanelLogic::TextPanelLogic(bool isInBackground)
    : colorOutline_{gfx::Color{1, 0, 0, 1}, false}, isInBackground_(isInBackground) {
    bound_.position = position_;
    bound_.font = font_;
    bound_.colorOutline = colorOutline_;
    bound_.opacity = opacity_;
    bound_.isWatermarkInBackground = isInBackground_;
}

std::vector<Positions> TextPanelLogic::defaultPositionItems() {
    return {Positions::diagonal,     Positions::topleft,     Positions::topcenter,
            Positions::topright,     Positions::middle,      Positions::bottomleft,
            Positions::bottomcenter, Positions::bottomright, Positions::triple};
}

bool TextPanelLogic::samePosition(Positions a, Positions b) {
    return localizationKey(a) == localizationKey(b);
}

void TextPanelLogic::load(const TextSettings& bound) {
    bound_ = bound;
    if (!samePosition(position_, bound.position)) {
        position_ = bound.position;
    }
    if (font_ != bound.font) {
        font_ = bound.font;
    }
    if (colorOutline_ != bound.colorOutline) {
        colorOutline_ = bound.colorOutline;
    }
    if (opacity_ != bound.opacity) {
        opacity_ = bound.opacity;
    }
    if (isInBackground_ != bound.isWatermarkInBackground) {
        isInBackground_ = bound.isWatermarkInBackground;
    }
}

TextSettings TextPanelLogic::record() const {
    TextSettings settings;
    settings.position = position_;
    settings.font = font_;
    settings.colorOutline = colorOutline_;
    settings.opacity = opacity_;
    settings.isWatermarkInBackground = isInBackground_;
    return settings;
}

std::optional<TextSettings> TextPanelLogic::writeBack(bool differs) {
    if (!differs) {
        return std::nullopt;
    }
    bound_ = record();
    return bound_;
}

std::optional<TextSettings> TextPanelLogic::setPosition(Positions position) {
    position_ = position;
    return writeBack(!samePosition(position, bound_.position));
}

std::optional<TextSettings> TextPanelLogic::setFont(const FontSetting& font) {
    font_ = font;
    return writeBack(font != bound_.font);
}

std::optional<TextSettings>
TextPanelLogic::setColorOutline(const ColorOutlineSetting& colorOutline) {
    colorOutline_ = colorOutline;
    return writeBack(colorOutline != bound_.colorOutline);
}

std::optional<TextSettings> TextPanelLogic::setOpacity(std::int64_t opacity) {
    opacity_ = opacity;
    return writeBack(opacity != bound_.opacity);
}

std::optional<TextSettings> TextPanelLogic::setIsInBackground(bool isInBackground) {
    isInBackground_ = isInBackground;
    return writeBack(isInBackground != bound_.isWatermarkInBackground);
}

} // namespace fen

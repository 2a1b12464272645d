#include "controls/SwatchRowLogic.h"

#include "model/ColorHex.h"

namespace fen {

bool SwatchRowLogic::choose(int idx) {
    if (idx == selectedIdx_) {
        return false;
    }
    selectedIdx_ = idx;
    isMulticolor_ = idx == multicolorIndex;
    gfx::Color wanted = color_;
    if (idx == blackIndex && color_ != black()) {
        wanted = black();
    } else if (idx == redIndex && color_ != red()) {
        wanted = red();
    }
    if (wanted == color_) {
        return false;
    }
    setColor(wanted);
    return true;
}

void SwatchRowLogic::setColor(const gfx::Color& color) {
    if (color == color_) {
        return;
    }
    color_ = color;
    followColor();
}

void SwatchRowLogic::followColor() {
    const std::string hex = colorHexString(color_);
    if (hex == colorHexString(black())) {
        isMulticolor_ = false;
        selectedIdx_ = blackIndex;
    } else if (hex == colorHexString(red())) {
        isMulticolor_ = false;
        selectedIdx_ = redIndex;
    } else {
        isMulticolor_ = true;
        selectedIdx_ = multicolorIndex;
    }
}

} // namespace fen

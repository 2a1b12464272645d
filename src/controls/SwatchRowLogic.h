#pragma once

#include "platform/graphics/Geometry.h"

namespace fen {

// The rules of the row of three swatches (0 black, 1 red, 2 any colour), kept in step with a
// colour both ways: choosing black or red sets that colour; a colour changed elsewhere selects
// the swatch it matches. A colour counts as black or red when its hexadecimal text equals theirs.
// Each value is changed only when it differs, so a choice and its echo settle at once.
class SwatchRowLogic {
public:
    static constexpr int blackIndex = 0;
    static constexpr int redIndex = 1;
    static constexpr int multicolorIndex = 2;

    SwatchRowLogic(int selectedIdx, const gfx::Color& color, bool isMulticolor)
        : selectedIdx_(selectedIdx), isMulticolor_(isMulticolor), color_(color) {}

    // The core's black (000000) and red (FF0000).
    static gfx::Color black() { return {0, 0, 0, 1}; }
    static gfx::Color red() { return {1, 0, 0, 1}; }

    int selectedIdx() const { return selectedIdx_; }
    bool isMulticolor() const { return isMulticolor_; }
    const gfx::Color& color() const { return color_; }

    // The user chose swatch `idx`. A new index sets the multicolour flag to whether it is the
    // multicolour swatch, and black or red replaces a colour that is not equal to it; the
    // multicolour swatch keeps the colour. Returns whether the colour changed.
    bool choose(int idx);
    // The colour changed (the well, or the owner): the swatch whose hexadecimal text it has is
    // selected, else the multicolour swatch. A colour equal to the one held changes nothing.
    void setColor(const gfx::Color& color);

private:
    void followColor();

    int selectedIdx_;
    bool isMulticolor_;
    gfx::Color color_;
};

} // namespace fen

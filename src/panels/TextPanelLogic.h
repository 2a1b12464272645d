#pragma once

#include "model/ColorOutlineSetting.h"
#include "model/FontSetting.h"
#include "model/Positions.h"
#include "model/TextSettings.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace fen {

// The rules of the text watermark panel, without a widget: a working copy of each of the five
// fields of the bound TextSettings, loaded from the bound record and written back as a whole new
// record after a change. Loading sets only the copies that differ from the bound fields and never
// writes; a change equal to the bound field writes nothing, so neither the panel's first showing
// nor a loaded preset writes a record back. Positions are compared by their keys.
class TextPanelLogic {
public:
    // `isInBackground` is the panel's starting layer flag; the other copies start from
    // placeholders (diagonal, an empty font of size 0, red without outline, 0 %) that no record
    // ever receives, since the bound record is loaded before anything is written.
    explicit TextPanelLogic(bool isInBackground);

    // The positions the text panel offers, in grid order: diagonal first, triple last.
    static std::vector<Positions> defaultPositionItems();

    // Takes `bound` as the bound record and loads each copy that differs from its field.
    void load(const TextSettings& bound);
    const TextSettings& bound() const { return bound_; }

    Positions position() const { return position_; }
    const FontSetting& font() const { return font_; }
    const ColorOutlineSetting& colorOutline() const { return colorOutline_; }
    std::int64_t opacity() const { return opacity_; }
    bool isInBackground() const { return isInBackground_; }

    // A control's change: sets the copy and, when it differs from the bound field, returns the
    // new record built from all five copies, which becomes the bound record (the caller assigns
    // it to the binding).
    std::optional<TextSettings> setPosition(Positions position);
    std::optional<TextSettings> setFont(const FontSetting& font);
    std::optional<TextSettings> setColorOutline(const ColorOutlineSetting& colorOutline);
    std::optional<TextSettings> setOpacity(std::int64_t opacity);
    std::optional<TextSettings> setIsInBackground(bool isInBackground);

    static bool samePosition(Positions a, Positions b);

private:
    std::optional<TextSettings> writeBack(bool differs);
    TextSettings record() const;

    TextSettings bound_;
    Positions position_ = Positions::diagonal;
    FontSetting font_{"", "", 0};
    ColorOutlineSetting colorOutline_;
    std::int64_t opacity_ = 0;
    bool isInBackground_;
};

} // namespace fen

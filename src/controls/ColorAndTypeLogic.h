#pragma once

#include "controls/SwatchRowLogic.h"
#include "model/ColorOutlineSetting.h"
#include "platform/foundation/Signal.h"

namespace fen {

// The colour and outline editor's rules, without a widget: a working colour and outline flag,
// the swatch row that follows the colour, and the record they are written into. A record given
// to it is applied whole (the flag, then the colour) and never written back; each edit writes
// the whole record, and only when the owner does not hold it (settingEdited).
class ColorAndTypeLogic {
public:
    // The working values before the first record arrives (the text panel gives outlined black).
    ColorAndTypeLogic(bool isOutlined, const gfx::Color& colorValue);

    const ColorOutlineSetting& setting() const { return setting_; }
    bool isOutlined() const { return isOutlined_; }
    const gfx::Color& colorValue() const { return swatches_.color(); }
    const SwatchRowLogic& swatches() const { return swatches_; }
    // The colour well is shown only while the multicolour swatch is chosen.
    bool showsWell() const { return swatches_.isMulticolor(); }

    // The record when the editor is shown and whenever its owner changes it.
    void loadSetting(const ColorOutlineSetting& record);

    // The user's edits.
    void chooseSwatch(int idx);
    void pickColor(const gfx::Color& color);
    void setOutlined(bool isOutlined);

    Signal<const ColorOutlineSetting&> settingEdited;

private:
    void store();

    ColorOutlineSetting setting_;
    bool isOutlined_;
    SwatchRowLogic swatches_;
};

} // namespace fen

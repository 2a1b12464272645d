#pragma once

#include "controls/PopupPickerRow.h"
#include "model/OtherStyles.h"

#include <vector>

namespace fen {

// The page-number panel's "Style" row: the title and a pop-up picker of the numbering styles,
// each shown by a sample of its numbers ("1, 2, 3...", the same in every language). The user's
// choice of another style emits `chosen`, after which selection() is that style.
class OtherStyleView : public PickerRowOf<OtherStyles> {
public:
    OtherStyleView(std::vector<OtherStyles> styles, OtherStyles selectionStyle,
                   QWidget* parent = nullptr);

    // The six styles, style1 to style6.
    static std::vector<OtherStyles> allStyles();
};

} // namespace fen

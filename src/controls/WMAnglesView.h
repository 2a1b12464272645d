#pragma once

#include "controls/PopupPickerRow.h"
#include "model/WMAngles.h"

#include <vector>

namespace fen {

// The "Angle" row of the image and stamp panels: the title and a pop-up picker of the angles
// given, in the order given ("Auto" translated). setSelectionAngle never emits; a choice in the
// menu of another angle emits selectionAngleEdited.
class WMAnglesView : public PickerRowOf<WMAngles> {
    Q_OBJECT
public:
    WMAnglesView(std::vector<WMAngles> angles, WMAngles selectionAngle, QWidget* parent = nullptr);

    WMAngles selectionAngle() const { return selection(); }
    void setSelectionAngle(WMAngles angle) { setSelection(angle); }
    const std::vector<WMAngles>& angles() const { return items(); }

Q_SIGNALS:
    void selectionAngleEdited(fen::WMAngles angle);
};

} // namespace fen

#pragma once

#include "model/WMAngles.h"

#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;

namespace fen {

// The "Angle" row of the image and stamp panels: the title, a gap of at least 8 points and a
// pop-up picker of the angles given, in the order given ("Auto" translated). The title label is
// the picker's buddy, which names it to assistive tools. setSelectionAngle never emits; a choice
// in the menu (its `activated`, never a programmatic change) of another angle emits
// selectionAngleEdited.
class WMAnglesView : public QWidget {
    Q_OBJECT
public:
    WMAnglesView(std::vector<WMAngles> angles, WMAngles selectionAngle, QWidget* parent = nullptr);

    WMAngles selectionAngle() const { return selectionAngle_; }
    void setSelectionAngle(WMAngles angle);
    const std::vector<WMAngles>& angles() const { return angles_; }
    QComboBox* picker() const { return picker_; }
    QLabel* titleLabel() const { return title_; }

Q_SIGNALS:
    void selectionAngleEdited(fen::WMAngles angle);

private:
    std::vector<WMAngles> angles_;
    WMAngles selectionAngle_;
    QLabel* title_;
    QComboBox* picker_;
};

} // namespace fen

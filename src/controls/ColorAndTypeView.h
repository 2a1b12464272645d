#pragma once

#include "controls/ColorAndTypeLogic.h"
#include "controls/DFColorWell.h"

#include <QWidget>

namespace fen {

class Color_Color_Selector_View;
class KvToggle;

// The colour and outline section of the text panel: the swatch row with, while "Any colour" is
// chosen, a colour well of cell width 50 at its trailing end, and the "Outline" switch below.
// setValue applies a record whole and never emits; each edit emits valueEdited with the whole
// record, only when it differs from the record held.
class ColorAndTypeView : public QWidget {
    Q_OBJECT
public:
    // `isOutlined` and `colorValue` are the working values until the record is applied.
    ColorAndTypeView(const ColorOutlineSetting& colorOutline, bool isOutlined,
                     const gfx::Color& colorValue, QWidget* parent = nullptr,
                     DFColorWell::ColorChooser chooser = {});

    const ColorOutlineSetting& value() const { return logic_.setting(); }
    void setValue(const ColorOutlineSetting& colorOutline);
    const ColorAndTypeLogic& logic() const { return logic_; }

    Color_Color_Selector_View* swatchRow() const { return swatches_; }
    DFColorWell* well() const { return well_; }
    KvToggle* outlineToggle() const { return outline_; }

Q_SIGNALS:
    void valueEdited(const fen::ColorOutlineSetting& colorOutline);

private:
    void refresh();

    ColorAndTypeLogic logic_;
    Connection edited_;
    Color_Color_Selector_View* swatches_;
    DFColorWell* well_;
    KvToggle* outline_;
};

} // namespace fen

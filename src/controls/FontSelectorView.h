#pragma once

#include "controls/FontSelectorLogic.h"

#include <QWidget>

class QComboBox;
class QLabel;

namespace fen {

class KvStepperTextfieldCombined;

// The "Font" row: the title, and a pop-up list of every installed family in code-point order,
// each drawn in its own family at the body size. The title is the list's buddy, which names it
// to the accessibility tree. A family not in the list shows no entry; a choice is written at once.
class FontSelector_FontSelector_View : public QWidget {
    Q_OBJECT
public:
    explicit FontSelector_FontSelector_View(FontSelectorLogic& logic, QWidget* parent = nullptr);
    QComboBox* picker() const { return picker_; }
    void refresh();

private:
    FontSelectorLogic& logic_;
    QComboBox* picker_;
};

// The "Style" row: the family's faces by their shown style names, each drawn in its face.
class FontSelector_BoldItalic_View : public QWidget {
    Q_OBJECT
public:
    explicit FontSelector_BoldItalic_View(FontSelectorLogic& logic, QWidget* parent = nullptr);
    QComboBox* picker() const { return picker_; }
    void refresh();

private:
    FontSelectorLogic& logic_;
    QComboBox* picker_;
};

// The "Size" row: the title, and the number control (field and stepper, no slider) in points
// between the model's bounds, step 1. Every number typed or stepped is written at once; the field
// clamps its text to the bounds only when committed (Return, focus change).
class FontSelector_Size_View : public QWidget {
    Q_OBJECT
public:
    explicit FontSelector_Size_View(FontSelectorLogic& logic, QWidget* parent = nullptr);
    KvStepperTextfieldCombined* control() const { return control_; }
    void refresh();

private:
    FontSelectorLogic& logic_;
    KvStepperTextfieldCombined* control_;
};

// The font editor of the text and page-number panels: the family, style and size rows over one
// model, separated by dividers. Each row's choice is written back at once as a whole record
// (valueEdited). The record is applied whole each time the editor is shown and by setValue; such
// a load writes only the replacement of an empty value that changed what the rows held.
class FontSelectorView : public QWidget {
    Q_OBJECT
public:
    FontSelectorView(const FontSetting& font, const FontSelectorCatalog& catalog,
                     QWidget* parent = nullptr);

    const FontSetting& value() const { return logic_.font(); }
    void setValue(const FontSetting& font);
    const FontSelectorLogic& logic() const { return logic_; }

    FontSelector_FontSelector_View* familyRow() const { return family_; }
    FontSelector_BoldItalic_View* styleRow() const { return style_; }
    FontSelector_Size_View* sizeRow() const { return size_; }

Q_SIGNALS:
    void valueEdited(const fen::FontSetting& font);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    FontSelectorLogic logic_;
    FontSetting shownFont_;
    Connection edited_;
    Connection changed_;
    FontSelector_FontSelector_View* family_;
    FontSelector_BoldItalic_View* style_;
    FontSelector_Size_View* size_;
};

} // namespace fen

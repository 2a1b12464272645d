#pragma once

#include <QComboBox>

namespace fen {

// The pop-up list of a titled row. To assistive tools it is a combo box named as the row that
// holds it (its buddy label, or an accessible name of its own where two rows of a page share a
// title) whose value is the entry shown, with the entries as its list. Qt's own combo box names
// itself by the entry shown on Linux, so a screen reader said the value twice and never what the
// list sets. The list that drops down carries the picker's name too.
class PopupPicker : public QComboBox {
    Q_OBJECT
public:
    explicit PopupPicker(QWidget* parent = nullptr);
    void showPopup() override;
};

} // namespace fen

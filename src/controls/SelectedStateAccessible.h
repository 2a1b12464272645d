#pragma once

class QAbstractButton;

namespace fen {

// The buttons of selectors (the cells of the position grid, the layer buttons) are push buttons to
// the accessibility tree that also say whether they are the chosen one, since their look shows it
// only in colour. A button class takes part by declaring a Q_PROPERTY named "selected" and calling
// install() once before its first button is shown; it reports each change with
// selectedStateChanged().
class SelectedStateAccessible {
public:
    static void install();
    static void selectedStateChanged(QAbstractButton* button);
};

} // namespace fen

#pragma once

#include <QFrame>

namespace fen::ui {

// A 1-point divider line between two areas, in the palette's mid colour; a separator to the
// accessibility tree, never a frame an assistive tool would stop on.
class Separator : public QFrame {
    Q_OBJECT
public:
    explicit Separator(Qt::Orientation orientation, QWidget* parent = nullptr);
};

} // namespace fen::ui

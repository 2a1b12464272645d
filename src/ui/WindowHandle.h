#pragma once

class QWidget;
class QWindow;

namespace fen {

// The window-system window behind a window of the program (its top-level's window handle); none
// when the widget has not been shown yet.
QWindow* nsWindowForScene(const QWidget* window);

} // namespace fen

#include "ui/WindowHandle.h"

#include <QWidget>
#include <QWindow>

namespace fen {

QWindow* nsWindowForScene(const QWidget* window) {
    return window ? window->window()->windowHandle() : nullptr;
}

} // namespace fen

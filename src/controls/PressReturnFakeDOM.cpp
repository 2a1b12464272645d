#include "controls/PressReturnFakeDOM.h"

#include <QKeyEvent>
#include <QWidget>

namespace fen {

PressReturnFakeDOM::PressReturnFakeDOM(QWidget* list, std::function<void()> action)
    : QObject(list), action_(std::move(action)) {}

PressReturnFakeDOM* PressReturnFakeDOM::apply(QWidget* list, std::function<void()> action) {
    auto* modifier = new PressReturnFakeDOM(list, std::move(action));
    list->installEventFilter(modifier);
    return modifier;
}

bool PressReturnFakeDOM::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        modifiers != Qt::NoModifier) {
        return false;
    }
    if (action_) {
        action_();
    }
    return true;
}

} // namespace fen

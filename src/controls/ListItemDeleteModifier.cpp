#include "controls/ListItemDeleteModifier.h"

#include <QKeyEvent>
#include <QWidget>

namespace fen {

ListItemDeleteModifier::ListItemDeleteModifier(QWidget* list, std::function<void()> perform)
    : QObject(list), perform_(std::move(perform)) {}

ListItemDeleteModifier* ListItemDeleteModifier::apply(QWidget* list,
                                                      std::function<void()> perform) {
    auto* modifier = new ListItemDeleteModifier(list, std::move(perform));
    list->installEventFilter(modifier);
    return modifier;
}

bool ListItemDeleteModifier::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if ((key->key() != Qt::Key_Delete && key->key() != Qt::Key_Backspace) ||
        modifiers != Qt::NoModifier) {
        return false;
    }
    if (perform_) {
        perform_();
    }
    return true;
}

} // namespace fen

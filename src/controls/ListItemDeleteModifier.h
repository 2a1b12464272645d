#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace fen {

// The Delete key of a list: Delete and Backspace, without modifier keys, run `perform` while the
// decorated list has the keyboard focus. It is a key handler on the list itself, never a
// window-wide shortcut, so Backspace in a text field of the same window only edits the field.
class ListItemDeleteModifier : public QObject {
    Q_OBJECT
public:
    static ListItemDeleteModifier* apply(QWidget* list, std::function<void()> perform);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ListItemDeleteModifier(QWidget* list, std::function<void()> perform);
    std::function<void()> perform_;
};

} // namespace fen

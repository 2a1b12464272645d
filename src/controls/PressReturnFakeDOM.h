#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace fen {

// The Return key of a list row: Return (or Enter), without modifier keys, runs `action` while
// the decorated list has the keyboard focus (the text list opens its rename alert with it). A key
// handler on the list, not a window-wide shortcut, so Return in a text field submits the field.
class PressReturnFakeDOM : public QObject {
    Q_OBJECT
public:
    static PressReturnFakeDOM* apply(QWidget* list, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PressReturnFakeDOM(QWidget* list, std::function<void()> action);
    std::function<void()> action_;
};

} // namespace fen

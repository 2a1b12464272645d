#pragma once

#include <QDialog>
#include <QFrame>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QPushButton;

namespace fen::ui {

// A sheet: a window-modal dialog over `parent`, shown with open() (never exec()), deleted when it
// closes.
QDialog* makeSheet(QWidget* parent, const QString& accessibleName = {});

// A form sheet: a frameless modal dialog that Escape and the window's close request do not close;
// only finish() does (the presenter's flag turned off).
class FormSheet : public QDialog {
    Q_OBJECT
public:
    explicit FormSheet(QWidget* parent);
    // Closes the sheet for good (the presentation flag became false).
    void finish();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool finishing_ = false;
};

// One button of an alert; the one marked `isCancel` answers Escape, the one marked `isDefault`
// answers Return.
struct AlertButton {
    QString title;
    std::function<void()> action;
    bool isDefault = false;
    bool isCancel = false;
};

// The one-line text field of an alert (a name to enter): its placeholder, which is also its
// accessible name, the text it starts with, and what is told of each edit (the owner keeps the
// text, and the buttons' actions read it there).
struct AlertTextField {
    QString placeholder;
    QString text;
    std::function<void(const QString&)> edited;
};

// An alert: a small window-modal dialog with a title, a message, an optional text field (which
// takes the focus; Return in it answers as the default button) and its buttons in order. Each
// button runs its action and closes the alert. Shown with open().
QDialog* makeAlert(QWidget* parent, const QString& title, const QString& message,
                   const std::vector<AlertButton>& buttons,
                   const std::optional<AlertTextField>& field = std::nullopt);

// A popover: a frame with Qt::Popup, placed under `anchor` (or above it when the screen has no
// room below), closed by a click outside it or Escape. The caller fills it and calls show().
QFrame* makePopover(QWidget* anchor);
// Places a filled popover at its anchor (after its size is known) and shows it.
void showPopover(QFrame* popover, QWidget* anchor);

} // namespace fen::ui

#pragma once

#include <QDialog>
#include <QFrame>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QFileDialog;
class QPushButton;

namespace fen::ui {

// A sheet: a window-modal dialog over `parent`, shown with open() (never exec()), deleted when it
// closes.
QDialog* makeSheet(QWidget* parent, const QString& accessibleName = {});

// Opens a file dialog with open() and deletes it once it has finished and no message box of its
// own still runs. A file dialog asks its questions ("file not found", replace) in a message box of
// its own with a nested event loop; a dialog finished meanwhile (its Cancel pressed under the box)
// and deleted at once would take that box with it while the box still runs.
void openFileDialog(QFileDialog* dialog);

// A form sheet: a frameless modal dialog that Escape and the window's close request do not close;
// only finish() does (the presenter's flag turned off). A sheet with a Cancel of its own gives
// Escape to it (setEscapeAction), as an alert does.
class FormSheet : public QDialog {
    Q_OBJECT
public:
    explicit FormSheet(QWidget* parent);
    // Closes the sheet for good (the presentation flag became false).
    void finish();
    // What Escape in the sheet does; none leaves the sheet as it is.
    void setEscapeAction(std::function<void()> action) { escapeAction_ = std::move(action); }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool finishing_ = false;
    std::function<void()> escapeAction_;
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

// An alert that only tells: `title`, `message` and "OK" (Return and Escape). Opened at once.
QDialog* presentNotice(QWidget* parent, const QString& title, const QString& message);

// The alert that asks for a name: "Enter a name" starting at `text`, "Cancel" and "OK" (the
// default), which hands the typed name to `ok`. Opened at once; `closed` runs when it closes,
// whichever way.
QDialog* presentNameAlert(QWidget* parent, const QString& title, const QString& text,
                          std::function<void(const QString& name)> ok,
                          std::function<void()> closed = nullptr);

// A popover: a frameless tool window beside its anchor that closes as a popup does (a press
// outside it, Escape, which it takes before any shortcut of the sheet or window under it, the
// loss of the keyboard focus), takes the keyboard focus at its first
// control when shown and gives it back to the anchor when it closes. Never a Qt::Popup window,
// which Qt keeps out of the accessibility tree. It follows the palette of the anchor's window and
// is deleted when it closes.
class Popover : public QFrame {
    Q_OBJECT
public:
    explicit Popover(QWidget* anchor);
    ~Popover() override;

    QWidget* anchor() const { return anchor_; }

Q_SIGNALS:
    // The popover is closing, its content still in place; `escaped` when Escape closed it (a
    // dismissal that keeps nothing of what was moved in it but not chosen).
    void closing(bool escaped);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Whether `widget` lies in this popover or in a window opened from it.
    bool holds(const QWidget* widget) const;
    void closeUnlessActive();

    QPointer<QWidget> anchor_;
    bool escaped_ = false;
    // The popover had the keyboard as it closed: its anchor's window gets it back.
    bool handingBack_ = false;
    // A popover opened from this one handed the keyboard back, and this one is not active yet.
    bool awaitingActivation_ = false;
};

// A popover for `anchor`; the caller fills it and calls showPopover.
Popover* makePopover(QWidget* anchor);
// Places a filled popover under its anchor (above it when the screen has no room below), shows it
// and gives the keyboard focus to its first control.
void showPopover(QFrame* popover, QWidget* anchor);

} // namespace fen::ui

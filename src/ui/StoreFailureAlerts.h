#pragma once

#include <QPointer>

class QDialog;
class QWidget;

namespace fen::ui {

// Tells what the store refused or could not read: a list entry that could not be stored is told
// in an alert ("The preset could not be saved: REASON") over the window or sheet the change came
// from (its Origin, noted when the change was asked for), once the store has answered and the
// action that made the change is over; a list that could not be read within the store's patience
// is told over the active window ("The stored stamp texts could not be read: REASON"). Whatever
// the GUI thread still asks of the store itself waits a frame or two at most. Installed once by the
// application on its GUI thread.
class StoreFailureAlerts {
public:
    static void install();
    // The alert shown last, while it shows.
    static QDialog* shown();

    // Names the widget whose user action changes a list, for as long as the action runs: an entry
    // the store refuses meanwhile is told over that widget's window or sheet, whichever window is
    // active. Made on the stack of the widget's handler; the innermost one counts.
    class Origin {
    public:
        explicit Origin(QWidget* requester);
        ~Origin();
        Origin(const Origin&) = delete;
        Origin& operator=(const Origin&) = delete;

    private:
        QPointer<QWidget> previous_;
    };
};

} // namespace fen::ui

#pragma once

#include <QPointer>

class QDialog;
class QWidget;

namespace fen::ui {

// Keeps the GUI thread off the store's long waits and tells what the store refused: the GUI
// thread's own writes (list entries) wait a frame or two at most, and a list entry that could not
// be stored is told in an alert ("The preset could not be saved: REASON") over the window or sheet
// the change came from (its Origin), as soon as the action that made the change is over.
// Installed once by the application on its GUI thread.
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

#pragma once

#include <QPointer>

class QDialog;

namespace fen::ui {

// Keeps the GUI thread off the store's long waits and tells what the store refused: the GUI
// thread's own writes (list entries) wait a frame or two at most, and a list entry that could not
// be stored is told in an alert over the active window ("The preset could not be saved:
// REASON"). Installed once by the application on its GUI thread.
class StoreFailureAlerts {
public:
    static void install();
    // The alert shown last, while it shows.
    static QDialog* shown();
};

} // namespace fen::ui

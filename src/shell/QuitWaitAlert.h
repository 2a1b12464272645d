#pragma once

#include "platform/foundation/Signal.h"
#include "shell/QuitWhileSaving.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QDialog;
class QWidget;

namespace fen {

class StoreQueue;

// Quit while preset saves wait for the store: instead of ending, the program says so over the
// window ("2 presets are waiting for the store", naming them) and goes on quitting by itself once
// they are stored. "Quit Without Them" quits at once and names the presets left unstored on
// standard error; "Cancel", a failed save (its own alert tells it) or files handed over by a later
// start call the quit off. Follows the queue on the GUI thread (QuitWhileSaving decides).
class QuitWaitAlert : public QObject {
    Q_OBJECT
public:
    explicit QuitWaitAlert(StoreQueue& queue, QObject* parent = nullptr);
    ~QuitWaitAlert() override;

    // Asks to quit. `proceed` runs once nothing waits for the store, at once when nothing does
    // now; `stayed` runs when the quit is called off. The alert shows over `window` (none: a window
    // of its own). Asked again while it waits, the alert comes forward.
    void request(QWidget* window, std::function<void()> proceed, std::function<void()> stayed);
    // Calls a waiting quit off.
    void withdraw();

    bool isWaiting() const { return logic_.isWaiting(); }
    // The alert while it shows.
    QDialog* alert() const { return alert_; }

private:
    void refresh();
    void show(QWidget* window);
    void finishWith(QuitWhileSaving::Step step);
    void quitWithoutThem();

    StoreQueue& queue_;
    QuitWhileSaving logic_;
    QPointer<QDialog> alert_;
    std::function<void()> proceed_;
    std::function<void()> stayed_;
    Connection queueChanged_;
};

} // namespace fen

#pragma once

#include <QtGlobal>

#include <functional>

namespace fen::ui {

// What runs when the display goes (a logout, the X server ended). Qt's X11 platform then ends the
// process at once from the GUI thread (exit(1) in Qt 6.4), telling it first in a warning ("The X11
// connection broke ..."); no event loop runs again. While a DisplayLoss lives, that warning runs
// `ending` once, on the GUI thread, before the process ends; every message still goes on to the
// message handler installed before. `ending` must process no events (Qt would notice the broken
// connection again): it may serve the main queue's calls only. Qt's Wayland platform gives no such
// turn: its own event thread calls _exit(1) right after its warning ("The Wayland connection
// broke"), so the process ends there with no destructor run and nothing kept.
class DisplayLoss {
public:
    explicit DisplayLoss(std::function<void()> ending);
    ~DisplayLoss();
    DisplayLoss(const DisplayLoss&) = delete;
    DisplayLoss& operator=(const DisplayLoss&) = delete;

    // Whether `message` is the platform's word that the display's connection broke.
    static bool tellsLoss(const QString& message);

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

    std::function<void()> ending_;
    QtMessageHandler previous_ = nullptr;
};

} // namespace fen::ui

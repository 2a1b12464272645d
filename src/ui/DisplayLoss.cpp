#include "ui/DisplayLoss.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <atomic>

namespace fen::ui {

namespace {

// The one DisplayLoss that listens (the window program has one), and whether its ending ran.
std::atomic<DisplayLoss*> listening = nullptr;
std::atomic<bool> ended = false;

} // namespace

DisplayLoss::DisplayLoss(std::function<void()> ending) : ending_(std::move(ending)) {
    listening = this;
    ended = false;
    previous_ = qInstallMessageHandler(&DisplayLoss::handle);
}

DisplayLoss::~DisplayLoss() {
    qInstallMessageHandler(previous_);
    listening = nullptr;
}

bool DisplayLoss::tellsLoss(const QString& message) {
    // Qt's xcb platform says so before it ends the process, and so does its handler of Xlib's
    // fatal errors.
    return message.startsWith(QLatin1String("The X11 connection broke"));
}

void DisplayLoss::handle(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
    DisplayLoss* loss = listening;
    if (loss && loss->previous_) {
        loss->previous_(type, context, message);
    }
    // Only the GUI thread may end the windows; a warning given while the ending runs (a widget
    // taken down without a display) starts none again.
    if (!loss || !tellsLoss(message) || !qApp || QThread::currentThread() != qApp->thread() ||
        ended.exchange(true)) {
        return;
    }
    if (loss->ending_) {
        loss->ending_();
    }
}

} // namespace fen::ui

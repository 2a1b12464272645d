#pragma once

#include "platform/foundation/MainQueue.h"

namespace fen::ui {

// The main queue of the window program: work posted from any thread runs on the GUI thread, in
// the order posted. invokeAndWait blocks a worker thread until the GUI thread has run the task and
// runs the task at once when called on the GUI thread itself (never a dead-lock on itself).
class QtMainQueue : public MainQueue::Executor {
public:
    void post(MainQueue::Task task) override;
    void invokeAndWait(const MainQueue::Task& task) override;

    // Installs a QtMainQueue as fen::MainQueue's executor; needs a QCoreApplication.
    static void install();

    // Runs the GUI thread's events until no background task runs (fen::Background), at most
    // `timeoutMs`, then delivers what they posted. Called before the application object goes, so
    // no task outlives the objects it reaches; a task that waits on the GUI thread is served.
    static void finishBackgroundWork(int timeoutMs = 5000);
    // The same wait serving only the main queue's calls, for an end with no event loop (the
    // display gone): no other event is delivered meanwhile.
    static void finishBackgroundWorkServingOnlyTheQueue(int timeoutMs = 5000);
};

} // namespace fen::ui

#pragma once

#include <functional>
#include <memory>

namespace fen {

// The main thread's queue: everything the system runs on the main thread goes through here. By
// default (command line, core tests) work runs inline on the calling thread; the Qt application
// installs an executor that runs it on the GUI thread.
class MainQueue {
public:
    using Task = std::function<void()>;

    class Executor {
    public:
        virtual ~Executor() = default;
        // Runs `task` later on the main thread.
        virtual void post(Task task) = 0;
        // Runs `task` on the main thread and returns when it has finished.
        virtual void invokeAndWait(const Task& task) = 0;
    };

    static void post(Task task);
    static void invokeAndWait(const Task& task);

    // Replaces the executor; nullptr restores the inline one. Returns the previous one.
    static std::shared_ptr<Executor> install(std::shared_ptr<Executor> executor);
};

// Work that must not hold up the main thread (loading a document window's file): each task runs
// on a thread of its own and reports back through MainQueue::post.
class Background {
public:
    static void run(std::function<void()> task);

    // How many tasks are running, counted until a task's captures are released. A program waits
    // for none before it takes its main queue and its objects down: a task still running at exit
    // would post to a queue that is gone, or release the last hold on an object after the
    // program's statics were destroyed.
    static int running();
};

} // namespace fen

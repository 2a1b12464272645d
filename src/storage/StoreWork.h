#pragma once

#include <functional>
#include <string>

namespace fen {

// Where the window's reads and changes of the store run. By default a call runs at once on the
// calling thread (the command line, the core's tests). The window has them run on the store's own
// thread (StoreQueue), after every write handed over before them: a read that must wait for
// another program waits there, within the store's patience, and its result comes back on the main
// thread (MainQueue), the window answering meanwhile.
class StoreWork {
public:
    using Task = std::function<void()>;

    // Runs `work` where the store may be waited for, then `done` on the main thread. `work` must
    // touch nothing but what it was given; `done` finds its receiver gone when it was destroyed
    // meanwhile (guard it).
    static void run(Task work, Task done = {});
    // The same for a change of what is stored, `what` naming it ("a change of the stamp texts");
    // `change` is true when it was stored. Left unstored by a program that ends, it is named
    // (StoreQueue::postChange).
    static void change(std::string what, std::function<bool()> change, Task done = {});

    // Has later calls run on the store's thread (true) or at once on the calling thread (false).
    static void useStoreThread(bool onStoreThread);
    static bool usesStoreThread();
};

} // namespace fen

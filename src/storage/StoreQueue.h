#pragma once

#include "platform/foundation/SerialQueue.h"

namespace fen {

// The store's own thread: the window's writes run there one after another, in the order they
// were handed over, so a save that waits for another process's lock never holds up the GUI thread
// and a later delete never overtakes an earlier save. Work still queued at exit is done before
// the process ends.
class StoreQueue {
public:
    static SerialQueue& shared();
};

} // namespace fen

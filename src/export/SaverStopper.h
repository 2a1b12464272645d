#pragma once

#include <atomic>

namespace fen {

// The stop control of one save: the saver makes a new one for every export and sets the flag when
// the user cancels. The export reads it from its worker thread before each file and between the
// pages of the file being written; once it is set no further file is written and the file being
// written is removed.
class SaverStopper {
public:
    std::atomic<bool> isStopRunning{false};
};

} // namespace fen

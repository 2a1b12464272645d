#include "storage/StoreQueue.h"

namespace fen {

SerialQueue& StoreQueue::shared() {
    static SerialQueue queue;
    return queue;
}

} // namespace fen

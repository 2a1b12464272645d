#include "platform/foundation/FreedMemory.h"

#include <malloc.h>

namespace fen {

void returnFreedMemory() {
    ::malloc_trim(0);
}

} // namespace fen

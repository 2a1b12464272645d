#include "platform/foundation/Log.h"

#include <mutex>
#include <utility>

namespace fen::log {

namespace {

std::mutex handlerMutex;
Handler installed;

} // namespace

Handler setHandler(Handler handler) {
    std::lock_guard lock(handlerMutex);
    return std::exchange(installed, std::move(handler));
}

void message(Level level, std::string_view text) {
    std::lock_guard lock(handlerMutex);
    if (installed) {
        installed(level, text);
    }
}

} // namespace fen::log

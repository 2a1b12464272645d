#include "platform/foundation/Log.h"

#include <mutex>
#include <utility>

namespace fen::log {

namespace {

// The installed handler and its lock. Never destroyed: a worker may still tell while the program
// ends.
struct Hook {
    std::mutex mutex;
    Handler installed;
};

Hook& hook() {
    static auto& installed = *new Hook;
    return installed;
}

} // namespace

Handler setHandler(Handler handler) {
    std::lock_guard lock(hook().mutex);
    return std::exchange(hook().installed, std::move(handler));
}

void message(Level level, std::string_view text) {
    std::lock_guard lock(hook().mutex);
    if (hook().installed) {
        hook().installed(level, text);
    }
}

} // namespace fen::log

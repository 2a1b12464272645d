#pragma once

#include <functional>
#include <string_view>

// The one way the core tells of a problem it does not return: a message handed to a handler that
// the application installs (the command line writes it to standard error, a window may show it).
// Without a handler the message is dropped, so the library never writes to a stream by itself.
// A failure that the user must see is returned to the caller, not logged.
namespace fen::log {

enum class Level { warning, error };

using Handler = std::function<void(Level, std::string_view)>;

// Installs `handler` for every later message, from any thread; an empty handler drops them.
// Returns the handler that was installed before. The handler runs under the hook's lock, so it
// must not log itself.
Handler setHandler(Handler handler);

// Hands `text` (one line, without its line end) to the installed handler. Messages from several
// threads reach the handler one at a time.
void message(Level level, std::string_view text);

} // namespace fen::log

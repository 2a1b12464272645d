#pragma once

namespace fen::ui {

// Sends the core's messages (a picture that could not be stored, a store copied aside) to
// standard error with the program's name, where a user starting the window from a terminal, and
// the desktop's session log, see them. Installed once by the window's main.
void installLogBridge();

} // namespace fen::ui

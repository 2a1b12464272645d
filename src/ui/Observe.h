#pragma once

#include "platform/foundation/NotificationCenter.h"

#include <functional>
#include <string>

class QObject;

namespace fen::ui {

// Subscribes `owner` to the default notification centre under `name`. The subscription lives as
// long as the owner (not as long as it is shown: a hidden panel keeps listening). A post on the GUI
// thread calls `fn` at once; a post from another thread is copied and handed to the GUI thread,
// where `fn` runs only if the owner still exists.
void observe(QObject* owner, const std::string& name, std::function<void(const Notification&)> fn);

} // namespace fen::ui

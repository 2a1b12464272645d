#include "ui/LogBridge.h"

#include "platform/foundation/Log.h"

#include <iostream>

namespace fen::ui {

void installLogBridge() {
    log::setHandler([](log::Level, std::string_view text) {
        std::cerr << "fenmoor: " << text << '\n' << std::flush;
    });
}

} // namespace fen::ui

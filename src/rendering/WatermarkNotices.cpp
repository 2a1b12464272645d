#include "rendering/WatermarkNotices.h"

#include "platform/foundation/Log.h"
#include "rendering/DrawingHelpers.h"

namespace fen {

WatermarkNotices::WatermarkNotices(Sink sink) : sink_(std::move(sink)) {}

void WatermarkNotices::tell(Kind kind, const std::string& line, const std::string& subject) {
    Sink sink;
    {
        std::lock_guard lock(mutex_);
        if (!told_.emplace(kind, subject).second) {
            return;
        }
        sink = sink_;
    }
    // Outside the lock: a sink may post, or tell the log, which has a lock of its own.
    if (sink) {
        sink(kind, line);
    } else {
        log::message(log::Level::warning, line);
    }
}

void WatermarkNotices::tellWhenCut(Kind kind, std::string_view what, std::string_view text) {
    if (drawnWatermarkText(text).size() < text.size()) {
        const std::string bound = std::to_string(maximumWatermarkTextLength);
        tell(kind, std::string(what) + " is longer than " + bound + " characters: only its first " +
                       bound + " are drawn.");
    }
}

void WatermarkNotices::setSink(Sink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

WatermarkNotices& WatermarkNotices::shared() {
    // Never destroyed: an export's worker may still tell while the program ends.
    static auto& notices = *new WatermarkNotices;
    return notices;
}

} // namespace fen

#include "shell/VosselTracker.h"

#include "ui/UserDefaults.h"

namespace fen {

VosselTracker::VosselTracker(std::function<double()> now, std::function<void()> track)
    : now_(std::move(now)), track_(std::move(track)) {}

void VosselTracker::pingIfDue() {
    ui::UserDefaults defaults;
    const double last = defaults.doubleValue(ui::UserDefaults::lastUsedDate);
    const double now = now_();
    if (last != 0 && now - last <= time24HInterval) {
        return;
    }
    track_();
    defaults.setDouble(ui::UserDefaults::lastUsedDate, now);
}

} // namespace fen

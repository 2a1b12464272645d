#pragma once

#include <functional>

namespace fen {

// Decides whether the daily usage ping is due: the first check of an installation pings, then
// any check more than a day (strictly) after the last ping. The time is stored under
// "lastUsedDate" as soon as the ping has been started, whatever becomes of it. Checked every hour
// by a timer the launch starts; never at launch itself.
class VosselTracker {
public:
    static constexpr double timeInterval = 3600.0;
    static constexpr double time24HInterval = 86400.0;

    // `now` in seconds since 1970; `track` starts one ping.
    VosselTracker(std::function<double()> now, std::function<void()> track);

    void pingIfDue();

private:
    std::function<double()> now_;
    std::function<void()> track_;
};

} // namespace fen

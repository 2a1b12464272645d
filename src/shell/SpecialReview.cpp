#include "shell/SpecialReview.h"

#include "ui/UserDefaults.h"

namespace fen {

SpecialReview::SpecialReview(Services services) : services_(std::move(services)) {}

void SpecialReview::requestReviewIfDue() {
    ui::UserDefaults defaults;
    const double now = services_.now();
    double firstCheck = defaults.doubleValue(ui::UserDefaults::reviewDate);
    if (firstCheck == 0) {
        firstCheck = now;
        defaults.setDouble(ui::UserDefaults::reviewDate, now);
    }
    const int count = defaults.intValue(ui::UserDefaults::reviewNumberRequestKey);
    if (count >= 1) {
        if (!timerStopped_ && services_.stopTimer) {
            services_.stopTimer();
        }
        timerStopped_ = true;
        return;
    }
    if ((now - firstCheck) / 86400.0 > numberOfDaysBeforeRequest) {
        services_.after(10000, services_.requestReview);
        defaults.setInt(ui::UserDefaults::reviewNumberRequestKey, count + 1);
    }
}

} // namespace fen

#pragma once

#include <functional>

namespace fen {

// The one request for a rating, once the program has been in use for more than five days. The
// first check stores its time under "reviewDate"; a check that finds more than five days passed
// with no request yet asks for the rating ten seconds later and counts it at once under
// "reviewNumberRequestKey"; the first check that finds a request counted stops the hourly timer
// for good. No rating service exists here, so the request itself does nothing.
class SpecialReview {
public:
    static constexpr double timeInterval = 3600.0;
    static constexpr double numberOfDaysBeforeRequest = 5.0;

    struct Services {
        // Seconds since 1970.
        std::function<double()> now;
        // Runs a task on the main thread after that many milliseconds.
        std::function<void(int milliseconds, std::function<void()>)> after;
        // The platform's request for a rating prompt.
        std::function<void()> requestReview;
        // Stops the hourly timer that calls requestReviewIfDue.
        std::function<void()> stopTimer;
    };

    explicit SpecialReview(Services services);

    // Called once at launch and on every tick of the hourly timer.
    void requestReviewIfDue();
    bool timerStopped() const { return timerStopped_; }

private:
    Services services_;
    bool timerStopped_ = false;
};

} // namespace fen

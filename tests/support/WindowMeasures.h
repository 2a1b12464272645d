#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <string>

// What the document window's widget tests and its benchmark both measure it with: how long the
// GUI thread kept the event loop waiting, the process's resident memory, and the heavy page that
// takes seconds to draw. Qt, but no test framework, so that the benchmark links it too.
namespace fen::test {

// The longest time between two turns of a 1 ms timer on the GUI thread while the meter lives: how
// long the event loop was held up.
class StallMeter {
public:
    StallMeter();
    double worstMs() const { return static_cast<double>(worst_) / 1e6; }

private:
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
};

// A figure of /proc/self/status in MiB: "VmHWM" is the peak resident memory, "VmRSS" the current
// one; 0 when it is not there.
double statusMiB(const std::string& key);
// Starts the peak resident memory ("VmHWM") again from the current figure.
void restartPeakMemory();

// Runs the event loop until `done`, asleep while there is nothing to do, as the program's own loop
// is: a loop that spins would take a processor from the render workers it waits for. False when
// `milliseconds` went by first.
bool runEventsUntil(const std::function<bool()>& done, qint64 milliseconds = 120000);

// A PDF of one letter page holding `count` small filled rectangles in rows of 2000, each filled
// on its own (`re f`): two million of them take seconds to draw.
std::string heavyPagePdf(int count = 2'000'000);

} // namespace fen::test

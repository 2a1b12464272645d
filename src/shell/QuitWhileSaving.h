#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fen {

// What Quit does while preset saves still wait for the store (another process holding it): it
// waits, telling which presets wait, and goes on by itself once every one of them is stored. A
// save that fails meanwhile stops the quit, so its own alert is seen rather than closed with the
// program. The user may quit without them; then they are named. Knows no widget: it is fed what
// the store's queue reports (StoreQueue::waitingSaves, failedSaves).
class QuitWhileSaving {
public:
    enum class Step {
        quit, // nothing waits (any more): the quit goes on
        wait, // saves still wait: keep the program and say so
        stay, // a save failed while the quit waited: the quit is given up
    };

    // The quit is asked for.
    Step begin(const std::vector<std::string>& waiting, std::uint64_t failed);
    // The queue changed while the quit waits.
    Step update(const std::vector<std::string>& waiting, std::uint64_t failed);

    bool isWaiting() const { return waiting_; }
    // The presets that wait, as last reported.
    const std::vector<std::string>& waitingNames() const { return names_; }
    // Stops waiting (the quit goes on without them, or was called off).
    void end() { waiting_ = false; }

    // The alert's title: "1 preset is waiting for the store", or with %1 for the count, "%1
    // presets are waiting for the store" (a text key of the window).
    static const char* titleKey(std::size_t count);
    // The presets named in a line: “A”, “B” and “C”.
    static std::string namedList(const std::vector<std::string>& names);
    // The line that tells presets lost by quitting without them.
    static std::string notStoredLine(const std::vector<std::string>& names);

private:
    Step decide(const std::vector<std::string>& waiting, std::uint64_t failed);

    bool waiting_ = false;
    std::uint64_t failedAtStart_ = 0;
    std::vector<std::string> names_;
};

} // namespace fen

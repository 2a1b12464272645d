#include "shell/QuitWhileSaving.h"

namespace fen {

QuitWhileSaving::Step QuitWhileSaving::begin(const std::vector<std::string>& waiting,
                                             std::uint64_t failed) {
    failedAtStart_ = failed;
    waiting_ = true;
    return decide(waiting, failed);
}

QuitWhileSaving::Step QuitWhileSaving::update(const std::vector<std::string>& waiting,
                                              std::uint64_t failed) {
    if (!waiting_) {
        return Step::stay;
    }
    return decide(waiting, failed);
}

QuitWhileSaving::Step QuitWhileSaving::decide(const std::vector<std::string>& waiting,
                                              std::uint64_t failed) {
    names_ = waiting;
    if (failed != failedAtStart_) {
        waiting_ = false;
        return Step::stay;
    }
    if (waiting.empty()) {
        waiting_ = false;
        return Step::quit;
    }
    return Step::wait;
}

const char* QuitWhileSaving::titleKey(std::size_t count) {
    return count == 1 ? "1 preset is waiting for the store"
                      : "%1 presets are waiting for the store";
}

std::string QuitWhileSaving::namedList(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            text += i + 1 == names.size() ? " and " : ", ";
        }
        text += "\u201C" + names[i] + "\u201D";
    }
    return text;
}

std::string QuitWhileSaving::notStoredLine(const std::vector<std::string>& names) {
    return (names.size() == 1 ? "quit without storing the preset "
                              : "quit without storing the presets ") +
           namedList(names);
}

} // namespace fen

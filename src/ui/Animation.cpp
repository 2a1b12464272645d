#include "ui/Animation.h"

#include <atomic>

namespace fen::ui {

namespace {
std::atomic<int> duration{250};
}

int animationDuration() {
    return duration.load();
}

void setAnimationDuration(int milliseconds) {
    duration.store(milliseconds < 0 ? 0 : milliseconds);
}

} // namespace fen::ui

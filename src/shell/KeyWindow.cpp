#include "shell/KeyWindow.h"

#include "shell/ShellPlatform.h"

namespace fen {

Scene* foregroundActiveWindowScene(const ShellPlatform& platform) {
    for (Scene* scene : platform.connectedScenes()) {
        if (scene->isForegroundActive()) {
            return scene;
        }
    }
    return nullptr;
}

Scene* currentKeyWindow(const ShellPlatform& platform) {
    Scene* scene = foregroundActiveWindowScene(platform);
    return scene && scene->isKeyWindow() ? scene : nullptr;
}

} // namespace fen

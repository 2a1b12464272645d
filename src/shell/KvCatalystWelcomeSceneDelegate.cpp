#include "shell/KvCatalystWelcomeSceneDelegate.h"

#include "shell/AppDelegate.h"
#include "shell/Shell.h"
#include "ui/Tr.h"
#include "ui/UserDefaults.h"

#include <cstdio>

namespace fen {

KvCatalystWelcomeSceneDelegate::KvCatalystWelcomeSceneDelegate(Shell& shell) : shell_(shell) {}

KvCatalystWelcomeSceneDelegate::~KvCatalystWelcomeSceneDelegate() {
    *alive_ = false;
}

void KvCatalystWelcomeSceneDelegate::willConnect(Scene& scene) {
    ShellPlatform& platform = shell_.platform();
    platform.after(0, [this, &platform, session = scene.persistentIdentifier(),
                       alive = std::weak_ptr<bool>(alive_)] {
        const std::shared_ptr<bool> lives = alive.lock();
        Scene* connected = platform.scene(session);
        if (lives && *lives && connected) {
            setUpWelcomeWindow(*connected);
        }
    });
}

std::pair<double, double> KvCatalystWelcomeSceneDelegate::centredOrigin(SceneSize screen) {
    return {(screen.width - size.width) * 0.5, (screen.height - size.height) * 0.5};
}

void KvCatalystWelcomeSceneDelegate::setUpWelcomeWindow(Scene& scene) {
    if (scene.hasSizeRestrictions()) {
        scene.setMinimumSize(size);
        scene.setMaximumSize(size);
    }
    scene.setTitleHidden(true);
    scene.setMiniaturizable(false);
    scene.setAllowsFullScreen(false);
    const auto [x, y] = centredOrigin(shell_.platform().availableScreenSize());
    if (!scene.requestFrame(x, y, size)) {
        std::printf("The welcome window could not be placed at %.0f, %.0f: the window system "
                    "places its windows itself\n",
                    x, y);
        std::fflush(stdout);
    }
    const bool isUpdate =
        ui::UserDefaults().intValue(ui::UserDefaults::welcomeWhatsNewPresentationStyle) == 1;
    scene.setTitle(ui::tr(isUpdate ? "What's New" : "Welcome").toStdString());
    if (shell_.appDelegate().documentDelegate) {
        scene.setRootWelcome();
    } else {
        scene.setRootNone();
    }
    scene.makeKeyAndVisible();
}

} // namespace fen

#pragma once

#include "shell/ShellPlatform.h"

#include <memory>

namespace fen {

class Shell;

// The delegate of the welcome window's scene: one turn after the scene connects it fixes the
// window at 600 by 700 points, hides its title, takes away minimising and full screen, centres it
// on its screen and shows the welcome or what's-new page. The window is never kept for the next
// start.
class KvCatalystWelcomeSceneDelegate : public SceneDelegate {
public:
    static constexpr SceneSize size{600, 700};

    explicit KvCatalystWelcomeSceneDelegate(Shell& shell);
    ~KvCatalystWelcomeSceneDelegate() override;

    void willConnect(Scene& scene) override;
    void openURLContexts(Scene&, const std::vector<Url>&) override {}
    void restore(Scene&, const UserActivity&) override {}
    UserActivity stateRestorationActivity(const Scene&) const override { return {}; }

    void setUpWelcomeWindow(Scene& scene);
    // The top-left corner that centres the window on a screen of `screen` points.
    static std::pair<double, double> centredOrigin(SceneSize screen);

private:
    Shell& shell_;
    // Tells the delayed set-up whether the delegate still lives.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace fen

#pragma once

#include "shell/ShellPlatform.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fen {

class Shell;

// What the desktop's and the tablet's document scenes share.
class KvDocumentSceneDelegate : public SceneDelegate {
public:
    // The file of a quick action: its "bookmark" resolved; none when anything is missing.
    static std::optional<Url> documentURL(const std::optional<ShortcutItem>& item);
};

// The delegate of every ordinary window: it opens the files its scene was made for (the first
// here, each further one in a window of its own) or shows the shared document browser, titles
// the window with the file name, and saves and restores the shown file across starts.
class KvCatalystSceneDelegate : public KvDocumentSceneDelegate {
public:
    explicit KvCatalystSceneDelegate(Shell& shell) : shell_(shell) {}

    void willConnect(Scene& scene) override;
    void openURLContexts(Scene& scene, const std::vector<Url>& urls) override;
    void restore(Scene& scene, const UserActivity& activity) override;
    UserActivity stateRestorationActivity(const Scene& scene) const override;

    void openDocuments(Scene& scene, const std::vector<Url>& urls);
    void showDocument(const std::optional<Url>& url, Scene& scene);

    // A document window's opening size: 1500 by 1000 points, or the available screen when that
    // is smaller, never narrower than 700 points.
    static SceneSize documentWindowSize(SceneSize availableScreen);
    // "harrowcotefenm://" taken off an address, as often as it occurs; the address itself when
    // it does not carry the prefix or the rest does not parse.
    static Url strippingScheme(const Url& url);

private:
    void show(const Url& url, Scene& scene);
    void showBrowser(Scene& scene);

    Shell& shell_;
};

} // namespace fen

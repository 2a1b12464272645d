#pragma once

#include "shell/KvCatalystSceneDelegate.h"

#include <optional>

namespace fen {

class Shell;

// The document scene of the tablet build: its window always holds the document browser, and a
// file is shown over it. It opens the file its scene was made for (from a quick action, the files
// requested last, or the files handed over), a quick action's file, handed files (the first
// only) and, unless a quick action has just started the scene, the restored file.
class KvIPadOSSceneDelegate : public KvDocumentSceneDelegate {
public:
    explicit KvIPadOSSceneDelegate(Shell& shell) : shell_(shell) {}

    void connectWindow(Scene& scene, const ConnectionOptions& options);
    void willConnect(Scene& scene) override { connectWindow(scene, {}); }
    void openURLContexts(Scene& scene, const std::vector<Url>& urls) override;
    void performShortcut(Scene& scene, const ShortcutItem& item) override;
    void restore(Scene& scene, const UserActivity& activity) override;
    UserActivity stateRestorationActivity(const Scene& scene) const override;

    std::optional<Url> requestedURL(const ConnectionOptions& options);
    void makeRootViewController(Scene& scene, const std::optional<Url>& url);
    void show(const std::optional<Url>& url, Scene& scene);

    // When the last connection was started by a quick action (seconds since 1970).
    std::optional<double> lastWillConnectToFromShortcutItem;

private:
    Shell& shell_;
};

} // namespace fen

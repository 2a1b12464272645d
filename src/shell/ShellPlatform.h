#pragma once

#include "platform/foundation/Url.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen {

class KvDocument;
class Shell;

// What a scene is asked to do, carried into a new scene and saved for the next start: a type
// and byte values under keys.
struct UserActivity {
    std::string type;
    std::map<std::string, std::string> userInfo;
    bool operator==(const UserActivity&) const = default;
};

// A home-screen quick action of the tablet build: a recent file, its bookmark under "bookmark".
struct ShortcutItem {
    std::string type;
    std::string title;
    std::string icon;
    std::map<std::string, std::string> userInfo;
    bool operator==(const ShortcutItem&) const = default;
};

// What a new scene is requested with: files handed to the program, user activities, and the
// quick action that started it (tablet build).
struct ConnectionOptions {
    std::vector<Url> urlContexts;
    std::vector<UserActivity> userActivities;
    std::optional<ShortcutItem> shortcutItem;
};

// A window size in points. `unrestricted` is the largest size a window may be limited to, which
// limits nothing.
struct SceneSize {
    static constexpr double unrestricted = 16777215;
    double width = 0;
    double height = 0;
    bool operator==(const SceneSize&) const = default;
};

// A bookmark of a file is its absolute path's bytes. Making one needs a file URL of a file that
// exists; resolving one needs an absolute path to a file that still exists.
std::optional<std::string> makeBookmark(const Url& url);
std::optional<Url> resolveBookmark(const std::string& bookmark);

// What a scene's window shows.
enum class SceneRoot { none, browser, document, welcome };

class Scene;

enum class SceneDelegateClass { none, document, welcome };

// What a connecting scene is made of: its delegate (none for a scene that only shows itself)
// and whether it is a KvScene.
struct SceneConfiguration {
    SceneDelegateClass delegateClass = SceneDelegateClass::none;
    bool kvScene = false;
};

// The behaviour a scene was configured with; it lives as long as its scene.
class SceneDelegate {
public:
    virtual ~SceneDelegate() = default;
    virtual void willConnect(Scene& scene) = 0;
    virtual void openURLContexts(Scene& scene, const std::vector<Url>& urls) = 0;
    virtual void restore(Scene& scene, const UserActivity& activity) = 0;
    virtual UserActivity stateRestorationActivity(const Scene& scene) const = 0;
    // A quick action chosen while the scene is connected (tablet build); others ignore it.
    virtual void performShortcut(Scene& scene, const ShortcutItem& item);
};

// One window of the program (a scene) as the shell sees it, whatever draws it: a top-level Qt
// window in the program, a plain record in the tests. Its session identifier is fixed for life
// and is what the registry of documents refers to.
class Scene {
public:
    explicit Scene(std::string sessionIdentifier);
    virtual ~Scene();

    const std::string& persistentIdentifier() const { return identifier_; }

    // The document the scene shows; set when it shows one.
    std::optional<Url> url;
    // What the configuration chose.
    SceneConfiguration configuration;
    std::unique_ptr<SceneDelegate> delegate;

    virtual std::string title() const = 0;
    virtual void setTitle(const std::string& title) = 0;

    virtual SceneRoot root() const = 0;
    virtual void setRootNone() = 0;
    virtual void setRootBrowser() = 0;
    // The document view, holding the document weakly: the registry owns it.
    virtual void setRootDocument(std::weak_ptr<KvDocument> document) = 0;
    virtual void makeKeyAndVisible() = 0;
    // A document shown over the window, the whole window covered (the tablet road).
    virtual void presentDocumentModally(std::weak_ptr<KvDocument> document, bool animated) = 0;
    // The welcome or what's-new page, whose "Continue" closes the window.
    virtual void setRootWelcome() = 0;

    virtual bool isForegroundActive() const = 0;
    virtual bool isKeyWindow() const = 0;

    virtual bool hasSizeRestrictions() const { return true; }
    virtual SceneSize minimumSize() const = 0;
    virtual SceneSize maximumSize() const = 0;
    virtual void setMinimumSize(SceneSize size) = 0;
    virtual void setMaximumSize(SceneSize size) = 0;

    // Title-bar and window behaviours a window manager may refuse; the window keeps them as
    // flags that the menus and probes read.
    virtual void setTitleHidden(bool hidden) = 0;
    virtual void setMiniaturizable(bool miniaturizable) = 0;
    virtual void setAllowsFullScreen(bool allows) = 0;
    // Asks for the window's frame on its screen (x, y from the top left); false when the window
    // system refused to place it there.
    virtual bool requestFrame(double x, double y, SceneSize size) = 0;

private:
    std::string identifier_;
};

// The window system under the shell: it makes, brings forward and destroys scenes, and runs
// delayed work on the main thread. The program's is SceneManager (Qt); the tests use
// FakeShellPlatform. Connecting, restoring and discarding follow one order on both, so they
// live here: a new scene gets its configuration and its delegate and is connected in one step.
class ShellPlatform {
public:
    virtual ~ShellPlatform();

    // Called by Shell, which answers the configuration and discard questions.
    void setShell(Shell* shell) { shell_ = shell; }
    Shell* shell() const { return shell_; }

    // Brings the scene of `session` forward; without a session, requests a new scene with the
    // activity (when given) among its options.
    void activateSceneSession(const std::optional<std::string>& session,
                              const std::optional<UserActivity>& activity,
                              const ConnectionOptions& options = {});
    // Closes a scene for good: its session is discarded while the scene is still attached,
    // then the scene goes. Destroying a scene that is already going does nothing.
    void destroySceneSession(std::string session);
    // Files that reached the running program from outside (a later start, the command line):
    // each, a "harrowcotefenm://" address taken as the file it carries, goes to the document
    // controller as a picked file, so a window that shows it, by whatever path, comes forward
    // and only a file shown nowhere gets a window. A file that cannot be bookmarked (it does not
    // exist) gets a window of its own that says so. With no files the browser comes forward.
    void openHandedFiles(const std::vector<Url>& urls);
    // Reconnects a scene saved at the last quit under its own session, then restores it.
    Scene* restoreSession(const std::string& session, const UserActivity& activity);

    virtual std::vector<Scene*> connectedScenes() const = 0;
    Scene* scene(const std::string& session) const;

    // The tablet build's road: set when the program runs the tablet manifest, which makes every
    // document scene a tablet scene (a browser with the document shown over it). The desktop
    // build never sets it.
    void runTabletManifest();
    bool tabletManifest() const { return tablet_; }
    // A quick action chosen by the user: the front tablet scene opens it, or a new scene is
    // started from it.
    void performShortcut(const ShortcutItem& item);
    // The application's quick actions; the last list set is kept (no home screen here).
    virtual void setShortcutItems(std::vector<ShortcutItem> items) {
        shortcutItems_ = std::move(items);
    }
    const std::vector<ShortcutItem>& shortcutItems() const { return shortcutItems_; }
    // Seconds since 1970 on the window system's clock.
    virtual double currentTime() const = 0;

    // Runs `task` on the main thread after `milliseconds`.
    virtual void after(int milliseconds, std::function<void()> task) = 0;
    virtual SceneSize availableScreenSize() const = 0;

protected:
    // A new window for a scene, held by the platform until removeScene.
    virtual Scene& addScene(const std::string& session, const ConnectionOptions& options) = 0;
    virtual void removeScene(const std::string& session) = 0;
    virtual void bringForward(Scene& scene) = 0;
    // The user closed a scene's window: its session is discarded as on destruction.
    void sceneClosed(const std::string& session) { destroySceneSession(session); }

private:
    Scene& connectScene(const std::string& session, const ConnectionOptions& options);

    Shell* shell_ = nullptr;
    std::vector<std::string> going_;
    bool tablet_ = false;
    std::vector<ShortcutItem> shortcutItems_;
};

} // namespace fen

#pragma once

#include "shell/ShellPlatform.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace fen {

class KvCatalystBugFix;
class KvDocument;
class Shell;
class macOSApplicationMenu;
struct MenuElement;

// Activity types and user-info keys of the shell. The two bookmark keys differ in one letter's
// case: "bookmarkData" hands a file to a new scene, "bookmarkdata" saves a window for the next
// start; each is read only on its own road.
namespace activity {
inline constexpr const char* documentURL = "document-url";
inline constexpr const char* welcome = "catalystwelcome";
inline constexpr const char* preferences = "preferences";
inline constexpr const char* bookmarkData = "bookmarkData";
inline constexpr const char* restorationBookmark = "bookmarkdata";
} // namespace activity

// The application's document delegate: chooses each connecting scene's configuration, records
// the files it is to open, turns a file into a request for a new window, and tidies up when
// windows close for good.
class KvAppDelegate {
public:
    explicit KvAppDelegate(Shell& shell);
    ~KvAppDelegate();

    // The program's address prefix.
    static constexpr const char* urlScheme = "harrowcotefenm://";

    bool welcomeWhatsNewAlreadyPresented = false;
    // Opens a file into a document (the document class).
    std::function<std::shared_ptr<KvDocument>(const Url&)> documentType;
    // Whether a welcome window exists to be shown.
    bool hasWelcomeWhatNewType = true;
    // The files of the scene configured last; the connecting scene's delegate reads them.
    std::optional<std::vector<Url>> lastRequestedURLs;
    // The menu objects (Open, Open Recent, New Window) and the program's other menu changes;
    // the application delegate makes both once.
    std::unique_ptr<KvCatalystBugFix> catalystBugFix;
    std::unique_ptr<macOSApplicationMenu> externalSpeciticApplicationMenu;

    SceneConfiguration sceneConfiguration(const ConnectionOptions& options);
    // The handed files when there are any, else the files of the "bookmarkData" activities.
    static std::vector<Url> requestedURLs(const ConnectionOptions& options);
    void openDocumentInNewScene(const Url& url);
    Scene* documentBrowserWindowScene() const;
    void handleDiscardedSessions(const std::vector<Scene*>& scenes);
    void loadWelcomeWhatsNewFlag();
    void openBrowser();
    // Open Recent's entries and its Clear Menu.
    void openDocumentAction(const MenuElement& sender);
    void clearRecentsAction();
    // Opens the file of a recent entry's bookmark, or brings its window forward, closing the
    // browser first; a file that is no longer there opens nothing and closes nothing.
    void openRecentDocument(const MenuElement& sender);
    // Empties this program's part of the desktop's recent list and rebuilds the menu at once.
    void clearRecentDocuments();

private:
    Shell& shell_;
};

// Caps a window at `size` while it opens and lets the user enlarge it again 0.1 s later; the
// minimum never grows.
void applyWindowSize(Scene& scene, SceneSize size, ShellPlatform& platform);

} // namespace fen

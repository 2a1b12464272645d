#pragma once

#include "platform/foundation/Url.h"
#include "shell/KvAppDelegate.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace fen {

class MenuBuilder;
class Shell;
class SpecialReview;
class VosselTracker;
struct MenuElement;

// The services the launch sequence calls; the tests record them to check the order.
class LaunchServices {
public:
    LaunchServices();
    virtual ~LaunchServices();
    virtual std::optional<Url> oldPreferencesURL();
    // Whether anything is at the URL. Nothing is read here: the converter reads only a regular
    // file within its bounds and sets aside whatever else is there.
    virtual bool fileExists(const Url& url);
    // Converts the earlier version's settings where the window's store work runs (StoreWork),
    // ahead of every read and change the windows hand over later.
    virtual void convertOldVersion();
    // Starts the hourly check of the daily usage ping (none is sent at launch).
    virtual void startUsageTimer(Shell& shell);
    // Checks once now, and from now on every hour, whether the rating request is due.
    virtual void requestReviewIfDue(Shell& shell);
    // Opens the store now rather than at the first panel, where the store work runs.
    virtual void touchStore();
    virtual void touchDocumentController(Shell& shell);

private:
    // The process's usage tracker and review prompt with their hourly timers, kept until the
    // process ends.
    std::unique_ptr<VosselTracker> tracker_;
    std::unique_ptr<QTimer> usageTimer_;
    std::unique_ptr<SpecialReview> review_;
    std::unique_ptr<QTimer> reviewTimer_;
};

// The application's delegate: runs the launch sequence once and answers the window system's
// scene questions through its document delegate.
class AppDelegate {
public:
    AppDelegate(Shell& shell, nlohmann::json info, std::unique_ptr<LaunchServices> launch);

    // Set at construction; only a test takes it away.
    std::unique_ptr<KvAppDelegate> documentDelegate;

    // The launch sequence, in its fixed order; always true.
    bool launchSetup();
    // Compares the stored release with this build's number and, on a first start or a change,
    // clears the welcome flag so the welcome shows once for this build.
    void checkWhatsNew();
    // The build number of the bundle information: CFBundleVersion as a decimal integer, 0 when
    // it is missing, not a text or not a number.
    static int bundleVersion(const nlohmann::json& info);
    const nlohmann::json& info() const { return info_; }

    // The program's menu pass over the window system's main menu: New Window goes when no
    // document type is editable, Open Recent and Open... join the File menu, then the other
    // changes of the application menu object.
    void buildMainMenu(MenuBuilder& builder);
    // Runs the action a menu command names when it is one of the application delegate's; false
    // for the window system's own actions.
    bool performMenuAction(const MenuElement& command);

    // The menu's export and zoom commands: a global notification each, which the document window
    // in front relays to itself.
    void exportDocument();
    void zoomToFit();
    void zoomIn();
    void zoomOut();
    void openBrowser();
    // Opens a mail to the support address with the subject "Fenmoor:Help needed".
    void showHelp();
    void openDocumentAction(const MenuElement& sender);
    void clearRecentsAction();
    static void postMenuRequest(const std::string& name);
    // "mailto:" the support address of the bundle information, with the subject encoded as a
    // host's characters are; empty without an address.
    static std::string helpMailAddress(const nlohmann::json& info);

    SceneConfiguration configurationForConnecting(const ConnectionOptions& options);
    void didDiscardSceneSessions(const std::vector<Scene*>& scenes);

private:
    Shell& shell_;
    nlohmann::json info_;
    std::unique_ptr<LaunchServices> launch_;
};

} // namespace fen

#pragma once

#include "platform/foundation/Url.h"
#include "shell/KvAppDelegate.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace fen {

class Shell;
class SpecialReview;
class VosselTracker;

// The services the launch sequence calls; the tests record them to check the order.
class LaunchServices {
public:
    LaunchServices();
    virtual ~LaunchServices();
    virtual std::optional<Url> oldPreferencesURL();
    // Whether the whole file could be read (its bytes are dropped).
    virtual bool readWholeFile(const Url& url);
    virtual void convertOldVersion();
    // Starts the hourly check of the daily usage ping (none is sent at launch).
    virtual void startUsageTimer(Shell& shell);
    // Checks once now, and from now on every hour, whether the rating request is due.
    virtual void requestReviewIfDue(Shell& shell);
    // Opens the store now rather than at the first panel.
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

    SceneConfiguration configurationForConnecting(const ConnectionOptions& options);
    void didDiscardSceneSessions(const std::vector<Scene*>& scenes);

private:
    Shell& shell_;
    nlohmann::json info_;
    std::unique_ptr<LaunchServices> launch_;
};

} // namespace fen

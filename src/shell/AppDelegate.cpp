#include "shell/AppDelegate.h"

#include "platform/foundation/NotificationCenter.h"
#include "shell/KvCatalystBugFix.h"
#include "shell/KvCatalystDocumentRecentMenu.h"
#include "shell/KvDocument.h"
#include "shell/MatomoTracker.h"
#include "shell/MenuModel.h"
#include "shell/Shell.h"
#include "shell/SpecialReview.h"
#include "shell/VosselTracker.h"
#include "storage/CoreDataBase.h"
#include "storage/OldVersionConverter.h"
#include "storage/StoreWork.h"
#include "ui/Tr.h"
#include "ui/UserDefaults.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QTimer>
#include <QUrl>

#include <charconv>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>

namespace fen {

LaunchServices::LaunchServices() = default;

LaunchServices::~LaunchServices() = default;

std::optional<Url> LaunchServices::oldPreferencesURL() {
    return OldVersionConverter::oldPreferencesURL();
}

bool LaunchServices::fileExists(const Url& url) {
    std::error_code ec;
    return url.isFileURL() &&
           std::filesystem::exists(std::filesystem::symlink_status(url.path(), ec));
}

void LaunchServices::convertOldVersion() {
    // Where the window's store work runs, before any read of the windows: a large file, or a
    // store another program holds, never keeps the windows from coming.
    StoreWork::run([] { OldVersionConverter::convertOldVersion(); });
}

void LaunchServices::startUsageTimer(Shell& shell) {
    auto tracker = std::make_shared<MatomoTracker>(shell.appDelegate().info(),
                                                   MatomoTracker::configuredServerURL());
    tracker_ = std::make_unique<VosselTracker>(
        [] { return static_cast<double>(std::time(nullptr)); },
        [tracker, &shell] {
            const int monitors = static_cast<int>(shell.platform().connectedScenes().size());
            if (const auto url = tracker->trackingURL(currentMatomoEnvironment(monitors))) {
                sendTrackingRequest(*url);
            }
        });
    usageTimer_ = std::make_unique<QTimer>();
    usageTimer_->setInterval(static_cast<int>(VosselTracker::timeInterval * 1000));
    QObject::connect(usageTimer_.get(), &QTimer::timeout, usageTimer_.get(),
                     [tracker = tracker_.get()] { tracker->pingIfDue(); });
    usageTimer_->start();
}

void LaunchServices::requestReviewIfDue(Shell& shell) {
    reviewTimer_ = std::make_unique<QTimer>();
    QTimer* timer = reviewTimer_.get();
    ShellPlatform& platform = shell.platform();
    review_ = std::make_unique<SpecialReview>(SpecialReview::Services{
        [] { return static_cast<double>(std::time(nullptr)); },
        [&platform](int ms, std::function<void()> task) { platform.after(ms, std::move(task)); },
        // No rating service exists on this system: the request has nowhere to go.
        [] {}, [timer] { timer->stop(); }});
    timer->setInterval(static_cast<int>(SpecialReview::timeInterval * 1000));
    QObject::connect(timer, &QTimer::timeout, timer,
                     [review = review_.get()] { review->requestReviewIfDue(); });
    timer->start();
    review_->requestReviewIfDue();
}

void LaunchServices::touchStore() {
    StoreWork::run([] { CoreDataBase::shared(); });
}

void LaunchServices::touchDocumentController(Shell& shell) {
    shell.documentController();
}

AppDelegate::AppDelegate(Shell& shell, nlohmann::json info, std::unique_ptr<LaunchServices> launch)
    : documentDelegate(std::make_unique<KvAppDelegate>(shell)), shell_(shell),
      info_(std::move(info)), launch_(std::move(launch)) {
    documentDelegate->documentType = [](const Url& url) {
        return std::make_shared<KvDocument>(url);
    };
    documentDelegate->catalystBugFix = std::make_unique<KvCatalystBugFix>(shell);
    documentDelegate->externalSpeciticApplicationMenu = std::make_unique<macOSApplicationMenu>();
}

void AppDelegate::buildMainMenu(MenuBuilder& builder) {
    KvAppDelegate* delegate = documentDelegate.get();
    if (!delegate) {
        return;
    }
    if (KvCatalystBugFix* fix = delegate->catalystBugFix.get()) {
        if (fix->newdocumentbugfix && !KvNewDocumentMenuBugFix::hasNonViewerDocumentType(info_)) {
            builder.removeMenu(menuid::newScene);
        }
        if (fix->documentRecentMenu) {
            fix->documentRecentMenu->buildRecentMenu(builder);
        }
        if (fix->docOpenMenu) {
            builder.insertChildAtStart(
                MenuElement::menu(
                    menuid::open, "Open...",
                    {MenuElement::command("Open...", "openBrowser", "o", menukey::command)}, true),
                menuid::file);
        }
    }
    if (delegate->externalSpeciticApplicationMenu) {
        delegate->externalSpeciticApplicationMenu->buildMenu(builder);
    }
}

bool AppDelegate::performMenuAction(const MenuElement& command) {
    static const std::map<std::string, void (AppDelegate::*)()> plain = {
        {"export", &AppDelegate::exportDocument},
        {"zoomToFit", &AppDelegate::zoomToFit},
        {"zoomIn", &AppDelegate::zoomIn},
        {"zoomOut", &AppDelegate::zoomOut},
        {"openBrowser", &AppDelegate::openBrowser},
        {"showHelp:", &AppDelegate::showHelp},
        {"clearRecentsAction", &AppDelegate::clearRecentsAction}};
    if (const auto action = plain.find(command.action); action != plain.end()) {
        (this->*action->second)();
        return true;
    }
    if (command.action == "openDocumentAction:") {
        openDocumentAction(command);
        return true;
    }
    return false;
}

void AppDelegate::postMenuRequest(const std::string& name) {
    NotificationCenter::defaultCenter().post(name);
}

void AppDelegate::exportDocument() {
    postMenuRequest("MenuReuqestExport");
}

void AppDelegate::zoomToFit() {
    postMenuRequest("MenuReuqestZoomToFit");
}

void AppDelegate::zoomIn() {
    postMenuRequest("MenuReuqestZoomIn");
}

void AppDelegate::zoomOut() {
    postMenuRequest("MenuReuqestZoomOut");
}

void AppDelegate::openBrowser() {
    if (documentDelegate) {
        documentDelegate->openBrowser();
    }
}

void AppDelegate::openDocumentAction(const MenuElement& sender) {
    if (documentDelegate) {
        documentDelegate->openDocumentAction(sender);
    }
}

void AppDelegate::clearRecentsAction() {
    if (documentDelegate) {
        documentDelegate->clearRecentsAction();
    }
}

std::string AppDelegate::helpMailAddress(const nlohmann::json& info) {
    const auto address = info.is_object() ? info.find("FenSupportAddress") : info.end();
    if (!info.is_object() || address == info.end() || !address->is_string()) {
        return {};
    }
    // The characters a URL's host may hold stay as they are; the space does not.
    return "mailto:" + address->get<std::string>() + "?subject=" +
           percentEncoded(ui::tr("Fenmoor:Help needed").toStdString(), "!$&'()*+,;=:[]");
}

void AppDelegate::showHelp() {
    const std::string address = helpMailAddress(info_);
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    if (address.empty() || !url.isValid()) {
        return;
    }
    QDesktopServices::openUrl(url);
}

bool AppDelegate::launchSetup() {
    // The earlier version's settings are converted when its file is there; the converter
    // removes it, or sets it aside when it cannot be converted.
    if (const std::optional<Url> old = launch_->oldPreferencesURL()) {
        if (launch_->fileExists(*old)) {
            launch_->convertOldVersion();
        }
    }
    launch_->startUsageTimer(shell_);
    launch_->requestReviewIfDue(shell_);
    // Before the flag is loaded, so a new build clears it first.
    checkWhatsNew();
    launch_->touchStore();
    if (!documentDelegate) {
        return true;
    }
    documentDelegate->loadWelcomeWhatsNewFlag();
    launch_->touchDocumentController(shell_);
    return true;
}

int AppDelegate::bundleVersion(const nlohmann::json& info) {
    if (!info.is_object() || !info.contains("CFBundleVersion") ||
        !info["CFBundleVersion"].is_string()) {
        return 0;
    }
    const std::string text = info["CFBundleVersion"].get<std::string>();
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end ? value : 0;
}

void AppDelegate::checkWhatsNew() {
    ui::UserDefaults defaults;
    const int stored = defaults.intValue(ui::UserDefaults::currentReleaseVersion);
    const int current = bundleVersion(info_);
    if (stored != 0 && stored == current) {
        return;
    }
    defaults.setBool(ui::UserDefaults::kvWelcomeWhatsNew, false);
    defaults.setInt(ui::UserDefaults::currentReleaseVersion, current);
    defaults.setInt(ui::UserDefaults::welcomeWhatsNewPresentationStyle, stored == 0 ? 0 : 1);
}

SceneConfiguration AppDelegate::configurationForConnecting(const ConnectionOptions& options) {
    if (documentDelegate) {
        return documentDelegate->sceneConfiguration(options);
    }
    return {};
}

void AppDelegate::didDiscardSceneSessions(const std::vector<Scene*>& scenes) {
    if (documentDelegate) {
        documentDelegate->handleDiscardedSessions(scenes);
    }
}

} // namespace fen

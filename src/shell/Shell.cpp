#include "shell/Shell.h"

#include "shell/TabletRecentDocuments.h"

#include "shell/AppDelegate.h"
#include "shell/DocumentBrowser.h"
#include "shell/KvDocumentController.h"
#include "shell/MenuModel.h"

namespace fen {

nlohmann::json mainBundleInfo() {
    return {{"CFBundleIdentifier", "com.harrowcote.fenmoor.desktop"},
            {"CFBundleName", "Fenmoor"},
            {"CFBundleExecutable", "Fenmoor"},
            {"CFBundleShortVersionString", "0.1.0"},
            {"CFBundleVersion", "1"},
            {"FenSupportAddress", "support@harrowcote.example"},
            {"CFBundleDocumentTypes",
             {{{"CFBundleTypeName", "PDF"},
               {"CFBundleTypeRole", "Viewer"},
               {"LSItemContentTypes", {"com.adobe.pdf"}}}}}};
}

Shell::Shell(ShellPlatform& platform, nlohmann::json info, std::unique_ptr<LaunchServices> launch)
    : platform_(platform) {
    if (!launch) {
        launch = std::make_unique<LaunchServices>();
    }
    appDelegate_ = std::make_unique<AppDelegate>(*this, std::move(info), std::move(launch));
    platform_.setShell(this);
}

Shell::~Shell() {
    platform_.setShell(nullptr);
}

KvDocumentController& Shell::documentController() {
    if (!controller_) {
        controller_ = std::make_unique<KvDocumentController>(*this);
    }
    return *controller_;
}

DocumentBrowser& Shell::documentBrowser() {
    if (!browser_) {
        browser_ = std::make_unique<DocumentBrowser>(*this);
    }
    return *browser_;
}

MainMenuSystem& Shell::mainMenu() {
    if (!menu_) {
        menu_ = std::make_unique<MainMenuSystem>(
            [this](MenuBuilder& builder) { appDelegate_->buildMainMenu(builder); });
    }
    return *menu_;
}

void Shell::enableTabletRecents() {
    if (!tabletRecents_) {
        tabletRecents_ = std::make_unique<TabletRecentDocuments>(platform_);
    }
    documentController().iosRecentDocument = tabletRecents_.get();
}

} // namespace fen

#pragma once

#include "shell/AppDelegate.h"
#include "shell/ShellPlatform.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>

namespace fen {

class DocumentBrowser;
class KvDocumentController;
class MainMenuSystem;
class TabletRecentDocuments;

// The program's bundle information, compiled in: identifier, names, version (as `fenmoor-cli
// --version` prints it), build number (a positive integer, as text), the support mail address and
// the one document type, PDF, which the program only views.
nlohmann::json mainBundleInfo();

// The shell of the window program: the application delegate, the registry of open documents and
// the shared document browser, over one window system. The process has one; each test makes its
// own over a fake window system, so nothing of it is a global.
class Shell {
public:
    explicit Shell(ShellPlatform& platform, nlohmann::json info = mainBundleInfo(),
                   std::unique_ptr<LaunchServices> launch = nullptr);
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    ShellPlatform& platform() const { return platform_; }
    AppDelegate& appDelegate() { return *appDelegate_; }
    // Made on first use and kept until the shell ends.
    KvDocumentController& documentController();
    bool hasDocumentController() const { return controller_ != nullptr; }
    DocumentBrowser& documentBrowser();
    // The main menu every window draws; built by the application delegate's menu pass.
    MainMenuSystem& mainMenu();
    // The tablet build's recent files, kept from now on for every document shown over a window.
    void enableTabletRecents();

private:
    ShellPlatform& platform_;
    std::unique_ptr<AppDelegate> appDelegate_;
    std::unique_ptr<KvDocumentController> controller_;
    std::unique_ptr<DocumentBrowser> browser_;
    std::unique_ptr<MainMenuSystem> menu_;
    std::unique_ptr<TabletRecentDocuments> tabletRecents_;
};

} // namespace fen

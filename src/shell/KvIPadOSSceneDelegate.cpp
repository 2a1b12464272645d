#include "shell/KvIPadOSSceneDelegate.h"

#include "shell/AppDelegate.h"
#include "shell/DocumentBrowser.h"
#include "shell/KvDocumentController.h"
#include "shell/Shell.h"

namespace fen {

void KvIPadOSSceneDelegate::connectWindow(Scene& scene, const ConnectionOptions& options) {
    lastWillConnectToFromShortcutItem.reset();
    std::optional<Url> url = requestedURL(options);
    if (url) {
        url = KvCatalystSceneDelegate::strippingScheme(*url);
    }
    makeRootViewController(scene, url);
    scene.makeKeyAndVisible();
}

std::optional<Url> KvIPadOSSceneDelegate::requestedURL(const ConnectionOptions& options) {
    if (std::optional<Url> url = documentURL(options.shortcutItem)) {
        lastWillConnectToFromShortcutItem = shell_.platform().currentTime();
        return url;
    }
    const KvAppDelegate* delegate = shell_.appDelegate().documentDelegate.get();
    if (delegate && delegate->lastRequestedURLs && !delegate->lastRequestedURLs->empty()) {
        return delegate->lastRequestedURLs->front();
    }
    if (!options.urlContexts.empty()) {
        return options.urlContexts.front();
    }
    return std::nullopt;
}

void KvIPadOSSceneDelegate::makeRootViewController(Scene& scene, const std::optional<Url>& url) {
    DocumentBrowser& browser = shell_.documentBrowser();
    browser.allowsMultipleSelection = true;
    browser.hasWelcomeWhatsNewClass = shell_.appDelegate().documentDelegate->hasWelcomeWhatNewType;
    browser.allowsDocumentCreation = false;
    scene.setRootBrowser();
    browser.didAppear();
    if (!url) {
        return;
    }
    shell_.documentController().presentDocument(&scene, {*url}, false);
    scene.setTitle(url->lastPathComponent());
    scene.url = *url;
}

void KvIPadOSSceneDelegate::show(const std::optional<Url>& url, Scene& scene) {
    if (url) {
        makeRootViewController(scene, url);
    }
}

void KvIPadOSSceneDelegate::openURLContexts(Scene& scene, const std::vector<Url>& urls) {
    if (!urls.empty()) {
        show(KvCatalystSceneDelegate::strippingScheme(urls.front()), scene);
    }
}

void KvIPadOSSceneDelegate::performShortcut(Scene& scene, const ShortcutItem& item) {
    if (std::optional<Url> url = documentURL(item)) {
        show(KvCatalystSceneDelegate::strippingScheme(*url), scene);
    }
}

void KvIPadOSSceneDelegate::restore(Scene& scene, const UserActivity& activity) {
    // A quick action that has just started the scene wins over the restoration.
    if (shell_.platform().currentTime() - lastWillConnectToFromShortcutItem.value_or(0) < 0.2) {
        return;
    }
    if (activity.type != activity::documentURL) {
        return;
    }
    const auto bookmark = activity.userInfo.find(activity::restorationBookmark);
    if (bookmark == activity.userInfo.end()) {
        return;
    }
    if (std::optional<Url> url = resolveBookmark(bookmark->second)) {
        show(url, scene);
    }
}

UserActivity KvIPadOSSceneDelegate::stateRestorationActivity(const Scene& scene) const {
    UserActivity result{activity::documentURL, {}};
    if (scene.url) {
        if (std::optional<std::string> bookmark = makeBookmark(*scene.url)) {
            result.userInfo[activity::restorationBookmark] = *bookmark;
        }
    }
    return result;
}

} // namespace fen

#include "shell/KvCatalystSceneDelegate.h"

#include "shell/AppDelegate.h"
#include "shell/DocumentBrowser.h"
#include "shell/KvDocument.h"
#include "shell/KvDocumentController.h"
#include "shell/Shell.h"

#include <algorithm>
#include <string_view>

namespace fen {

std::optional<Url> KvDocumentSceneDelegate::documentURL(const std::optional<ShortcutItem>& item) {
    if (!item) {
        return std::nullopt;
    }
    const auto bookmark = item->userInfo.find("bookmark");
    if (bookmark == item->userInfo.end()) {
        return std::nullopt;
    }
    return resolveBookmark(bookmark->second);
}

SceneSize KvCatalystSceneDelegate::documentWindowSize(SceneSize availableScreen) {
    return {std::max(700.0, std::min(1500.0, availableScreen.width)),
            std::min(1000.0, availableScreen.height)};
}

Url KvCatalystSceneDelegate::strippingScheme(const Url& url) {
    const std::string_view prefix = KvAppDelegate::urlScheme;
    std::string text = url.absoluteString();
    if (!text.starts_with(prefix)) {
        return url;
    }
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at)) {
        text.erase(at, prefix.size());
    }
    return Url::fromString(text).value_or(url);
}

void KvCatalystSceneDelegate::willConnect(Scene& scene) {
    KvAppDelegate& delegate = *shell_.appDelegate().documentDelegate;
    if (delegate.lastRequestedURLs && !delegate.lastRequestedURLs->empty()) {
        ShellPlatform& platform = shell_.platform();
        applyWindowSize(scene, documentWindowSize(platform.availableScreenSize()), platform);
        openDocuments(scene, *delegate.lastRequestedURLs);
        return;
    }
    showBrowser(scene);
}

void KvCatalystSceneDelegate::showBrowser(Scene& scene) {
    DocumentBrowser& browser = shell_.documentBrowser();
    browser.allowsMultipleSelection = true;
    browser.hasWelcomeWhatsNewClass = shell_.appDelegate().documentDelegate->hasWelcomeWhatNewType;
    browser.allowsDocumentCreation = false;
    scene.setRootBrowser();
    scene.makeKeyAndVisible();
    browser.didAppear();
}

void KvCatalystSceneDelegate::openURLContexts(Scene& scene, const std::vector<Url>& urls) {
    openDocuments(scene, urls);
}

void KvCatalystSceneDelegate::show(const Url& url, Scene& scene) {
    showDocument(url, scene);
    scene.makeKeyAndVisible();
    scene.setTitle(url.lastPathComponent());
    scene.url = url;
}

void KvCatalystSceneDelegate::openDocuments(Scene& scene, const std::vector<Url>& given) {
    KvDocumentController& controller = shell_.documentController();
    const auto held = [&]() -> std::shared_ptr<KvDocument> {
        for (const auto& document : controller.documents()) {
            if (document->sceneIdentifier == scene.persistentIdentifier()) {
                return document;
            }
        }
        return nullptr;
    };
    // Addresses of the program's scheme are taken as the file they carry, for the window's own
    // file and for every further one alike.
    std::vector<Url> urls;
    std::transform(given.begin(), given.end(), std::back_inserter(urls), strippingScheme);
    // A window that holds a document keeps it as it is.
    if (!held()) {
        scene.setRootNone();
    }
    for (const Url& url : urls) {
        if (url != urls.front()) {
            if (const std::optional<std::string> bookmark = makeBookmark(url)) {
                shell_.platform().activateSceneSession(
                    std::nullopt,
                    UserActivity{activity::documentURL, {{activity::bookmarkData, *bookmark}}});
            }
            continue;
        }
        const std::shared_ptr<KvDocument> document = held();
        if (!document) {
            show(url, scene);
            continue;
        }
        if (document->fileURL() == url) {
            continue;
        }
        if (Scene* showing = controller.windowScene(url)) {
            shell_.platform().activateSceneSession(showing->persistentIdentifier(), std::nullopt);
        } else {
            shell_.appDelegate().documentDelegate->openDocumentInNewScene(url);
        }
    }
    if (scene.root() == SceneRoot::none) {
        showBrowser(scene);
    }
}

void KvCatalystSceneDelegate::showDocument(const std::optional<Url>& url, Scene& scene) {
    if (!url) {
        return;
    }
    // Security-scoped access is granted to every file here, so no scope is entered.
    KvDocumentController& controller = shell_.documentController();
    controller.closeDocument(scene.persistentIdentifier());
    const std::shared_ptr<KvDocument> document = controller.openDocument(url);
    if (!document) {
        scene.setRootNone();
        return;
    }
    document->sceneIdentifier = scene.persistentIdentifier();
    scene.setRootDocument(document);
}

void KvCatalystSceneDelegate::restore(Scene& scene, const UserActivity& activity) {
    if (activity.type != activity::documentURL) {
        return;
    }
    const auto bookmark = activity.userInfo.find(activity::restorationBookmark);
    if (bookmark == activity.userInfo.end()) {
        return;
    }
    if (const std::optional<Url> url = resolveBookmark(bookmark->second)) {
        openDocuments(scene, {*url});
    }
}

UserActivity KvCatalystSceneDelegate::stateRestorationActivity(const Scene& scene) const {
    UserActivity saved{activity::documentURL, {}};
    // A window whose file could not be opened is not brought back.
    const auto& documents = shell_.documentController().documents();
    const bool failed = std::any_of(documents.begin(), documents.end(), [&](const auto& document) {
        return document->sceneIdentifier == scene.persistentIdentifier() &&
               document->opening() == KvDocument::Opening::failed;
    });
    if (scene.url && !failed) {
        if (const std::optional<std::string> bookmark = makeBookmark(*scene.url)) {
            saved.userInfo[activity::restorationBookmark] = *bookmark;
        }
    }
    return saved;
}

} // namespace fen

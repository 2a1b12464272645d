#include "shell/KvAppDelegate.h"

#include "shell/AppDelegate.h"
#include "shell/KvCatalystBugFix.h"
#include "shell/KvCatalystDocumentRecentMenu.h"
#include "shell/KvDocumentController.h"
#include "shell/MenuModel.h"
#include "shell/Shell.h"
#include "ui/UserDefaults.h"

#include <algorithm>
#include <string>

namespace fen {

KvAppDelegate::KvAppDelegate(Shell& shell) : shell_(shell) {}

KvAppDelegate::~KvAppDelegate() = default;

SceneConfiguration KvAppDelegate::sceneConfiguration(const ConnectionOptions& options) {
    lastRequestedURLs = requestedURLs(options);
    const auto has = [&](const char* type) {
        return std::any_of(options.userActivities.begin(), options.userActivities.end(),
                           [&](const UserActivity& a) { return a.type == type; });
    };
    if (has(activity::welcome)) {
        return {SceneDelegateClass::welcome, true};
    }
    if (has(activity::preferences)) {
        return {SceneDelegateClass::none, true};
    }
    return {SceneDelegateClass::document, true};
}

std::vector<Url> KvAppDelegate::requestedURLs(const ConnectionOptions& options) {
    if (!options.urlContexts.empty()) {
        return options.urlContexts;
    }
    std::vector<Url> urls;
    for (const UserActivity& a : options.userActivities) {
        const auto bookmark = a.userInfo.find(activity::bookmarkData);
        if (bookmark == a.userInfo.end()) {
            continue;
        }
        if (std::optional<Url> url = resolveBookmark(bookmark->second)) {
            urls.push_back(*url);
        }
    }
    return urls;
}

void KvAppDelegate::openDocumentInNewScene(const Url& url) {
    const std::optional<std::string> bookmark = makeBookmark(url);
    if (!bookmark) {
        return;
    }
    shell_.platform().activateSceneSession(
        std::nullopt, UserActivity{activity::documentURL, {{activity::bookmarkData, *bookmark}}});
}

Scene* KvAppDelegate::documentBrowserWindowScene() const {
    for (Scene* scene : shell_.platform().connectedScenes()) {
        if (scene->root() == SceneRoot::browser) {
            return scene;
        }
    }
    return nullptr;
}

void KvAppDelegate::handleDiscardedSessions(const std::vector<Scene*>& scenes) {
    std::vector<std::string> identifiers;
    for (const Scene* scene : scenes) {
        identifiers.push_back(scene->persistentIdentifier());
    }
    shell_.documentController().closeDocuments(identifiers);
    const auto first = std::find_if(scenes.begin(), scenes.end(),
                                    [](const Scene* s) { return s->configuration.kvScene; });
    if (first == scenes.end() ||
        (*first)->configuration.delegateClass == SceneDelegateClass::welcome) {
        return;
    }
    if (Scene* browser = documentBrowserWindowScene()) {
        shell_.platform().destroySceneSession(browser->persistentIdentifier());
    }
}

void KvAppDelegate::loadWelcomeWhatsNewFlag() {
    welcomeWhatsNewAlreadyPresented =
        ui::UserDefaults().boolValue(ui::UserDefaults::kvWelcomeWhatsNew);
}

void KvAppDelegate::openBrowser() {
    shell_.documentController().showDocumentBrowser();
}

void KvAppDelegate::openDocumentAction(const MenuElement& sender) {
    openRecentDocument(sender);
}

void KvAppDelegate::clearRecentsAction() {
    clearRecentDocuments();
}

namespace {

std::shared_ptr<MenuBuilder> recentMenuBuilder(const KvAppDelegate& delegate) {
    if (!delegate.catalystBugFix || !delegate.catalystBugFix->documentRecentMenu) {
        return nullptr;
    }
    return delegate.catalystBugFix->documentRecentMenu->menuBuilder.lock();
}

} // namespace

void KvAppDelegate::openRecentDocument(const MenuElement& sender) {
    if (sender.kind != MenuElement::Kind::command || !sender.propertyList) {
        return;
    }
    const std::optional<Url> url = resolveBookmark(*sender.propertyList);
    if (!url) {
        return;
    }
    if (Scene* browser = documentBrowserWindowScene()) {
        shell_.platform().destroySceneSession(browser->persistentIdentifier());
    }
    shell_.documentController().openPickedDocuments({*url});
    if (const std::shared_ptr<MenuBuilder> builder = recentMenuBuilder(*this)) {
        builder->system().setNeedsRebuild();
    }
}

void KvAppDelegate::clearRecentDocuments() {
    if (catalystBugFix && catalystBugFix->documentRecentMenu) {
        catalystBugFix->documentRecentMenu->recents.clear();
    }
    if (const std::shared_ptr<MenuBuilder> builder = recentMenuBuilder(*this)) {
        builder->removeMenu(menuid::openRecent);
        builder->system().setNeedsRebuild();
    }
}

void applyWindowSize(Scene& scene, SceneSize size, ShellPlatform& platform) {
    if (!scene.hasSizeRestrictions()) {
        return;
    }
    const SceneSize oldMaximum = scene.maximumSize();
    const SceneSize minimum = scene.minimumSize();
    scene.setMinimumSize(
        {std::min(minimum.width, size.width), std::min(minimum.height, size.height)});
    scene.setMaximumSize(size);
    platform.after(100, [&platform, id = scene.persistentIdentifier(), oldMaximum, size] {
        if (Scene* still = platform.scene(id)) {
            still->setMaximumSize(
                {std::max(oldMaximum.width, size.width), std::max(oldMaximum.height, size.height)});
        }
    });
}

} // namespace fen

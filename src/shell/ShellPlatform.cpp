#include "shell/ShellPlatform.h"

#include "platform/foundation/Uuid.h"
#include "shell/AppDelegate.h"
#include "shell/KvCatalystSceneDelegate.h"
#include "shell/KvCatalystWelcomeSceneDelegate.h"
#include "shell/KvDocumentController.h"
#include "shell/KvIPadOSSceneDelegate.h"
#include "shell/Shell.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fen {

std::optional<std::string> makeBookmark(const Url& url) {
    std::error_code ec;
    if (!url.isFileURL() ||
        !std::filesystem::exists(std::filesystem::symlink_status(url.path(), ec))) {
        return std::nullopt;
    }
    return url.path().string();
}

std::optional<Url> resolveBookmark(const std::string& bookmark) {
    const std::filesystem::path path(bookmark);
    std::error_code ec;
    if (!path.is_absolute() ||
        !std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        return std::nullopt;
    }
    return Url::fileURL(path);
}

void SceneDelegate::performShortcut(Scene&, const ShortcutItem&) {}

Scene::Scene(std::string sessionIdentifier) : identifier_(std::move(sessionIdentifier)) {}

Scene::~Scene() = default;

ShellPlatform::~ShellPlatform() = default;

Scene* ShellPlatform::scene(const std::string& session) const {
    for (Scene* scene : connectedScenes()) {
        if (scene->persistentIdentifier() == session) {
            return scene;
        }
    }
    return nullptr;
}

Scene& ShellPlatform::connectScene(const std::string& session, const ConnectionOptions& options) {
    Scene& scene = addScene(session, options);
    scene.configuration = shell_->appDelegate().configurationForConnecting(options);
    switch (scene.configuration.delegateClass) {
    case SceneDelegateClass::document:
        if (tablet_) {
            auto tablet = std::make_unique<KvIPadOSSceneDelegate>(*shell_);
            KvIPadOSSceneDelegate& delegate = *tablet;
            scene.delegate = std::move(tablet);
            delegate.connectWindow(scene, options);
        } else {
            scene.delegate = std::make_unique<KvCatalystSceneDelegate>(*shell_);
            scene.delegate->willConnect(scene);
        }
        break;
    case SceneDelegateClass::welcome:
        scene.delegate = std::make_unique<KvCatalystWelcomeSceneDelegate>(*shell_);
        scene.delegate->willConnect(scene);
        break;
    case SceneDelegateClass::none:
        break;
    }
    return scene;
}

void ShellPlatform::activateSceneSession(const std::optional<std::string>& session,
                                         const std::optional<UserActivity>& activity,
                                         const ConnectionOptions& options) {
    if (session) {
        if (Scene* existing = scene(*session)) {
            bringForward(*existing);
        }
        return;
    }
    ConnectionOptions withActivity = options;
    if (activity) {
        withActivity.userActivities.push_back(*activity);
    }
    connectScene(newUuidString(), withActivity);
}

void ShellPlatform::openHandedFiles(const std::vector<Url>& urls) {
    KvDocumentController& controller = shell_->documentController();
    if (urls.empty()) {
        controller.showDocumentBrowser();
        return;
    }
    for (const Url& given : urls) {
        const Url url = KvCatalystSceneDelegate::strippingScheme(given);
        if (controller.windowScene(url) || makeBookmark(url)) {
            controller.openPickedDocuments({url});
        } else {
            activateSceneSession(std::nullopt, std::nullopt, {{url}, {}});
        }
    }
}

void ShellPlatform::runTabletManifest() {
    tablet_ = true;
    shell_->enableTabletRecents();
}

void ShellPlatform::performShortcut(const ShortcutItem& item) {
    for (Scene* scene : connectedScenes()) {
        if (scene->delegate && scene->configuration.delegateClass == SceneDelegateClass::document) {
            scene->delegate->performShortcut(*scene, item);
            return;
        }
    }
    ConnectionOptions options;
    options.shortcutItem = item;
    connectScene(newUuidString(), options);
}

Scene* ShellPlatform::restoreSession(const std::string& session, const UserActivity& activity) {
    if (scene(session)) {
        return nullptr;
    }
    Scene& restored = connectScene(session, {});
    if (restored.delegate) {
        restored.delegate->restore(restored, activity);
    }
    return &restored;
}

void ShellPlatform::destroySceneSession(std::string session) {
    Scene* going = scene(session);
    if (!going || std::find(going_.begin(), going_.end(), session) != going_.end()) {
        return;
    }
    going_.push_back(session);
    shell_->appDelegate().didDiscardSceneSessions({going});
    removeScene(session);
    going_.erase(std::find(going_.begin(), going_.end(), session));
}

} // namespace fen

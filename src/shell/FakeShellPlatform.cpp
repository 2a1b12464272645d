#include "shell/FakeShellPlatform.h"

#include "shell/KvDocument.h"

#include <algorithm>

namespace fen {

void FakeScene::setRootNone() {
    root_ = SceneRoot::none;
    shownDocument.reset();
    ++rootChanges;
}

void FakeScene::setRootBrowser() {
    root_ = SceneRoot::browser;
    shownDocument.reset();
    ++rootChanges;
}

void FakeScene::setRootDocument(std::weak_ptr<KvDocument> document) {
    root_ = SceneRoot::document;
    shownDocument = std::move(document);
    ++rootChanges;
}

void FakeScene::setRootWelcome() {
    root_ = SceneRoot::welcome;
    shownDocument.reset();
    ++rootChanges;
}

bool FakeScene::requestFrame(double x, double y, SceneSize size) {
    frame = {x, y, size.width, size.height};
    return placesWindows;
}

void FakeScene::makeKeyAndVisible() {
    visible = true;
}

void FakeScene::presentDocumentModally(std::weak_ptr<KvDocument> document, bool) {
    presentedDocument = std::move(document);
}

std::vector<Scene*> FakeShellPlatform::connectedScenes() const {
    std::vector<Scene*> result;
    for (const auto& scene : scenes_) {
        result.push_back(scene.get());
    }
    return result;
}

FakeScene* FakeShellPlatform::fakeScene(size_t index) const {
    return index < scenes_.size() ? scenes_[index].get() : nullptr;
}

void FakeShellPlatform::after(int milliseconds, std::function<void()> task) {
    delayed_.push_back({now_ + milliseconds, std::move(task)});
}

void FakeShellPlatform::runDelayed() {
    while (!delayed_.empty()) {
        const auto next =
            std::min_element(delayed_.begin(), delayed_.end(),
                             [](const auto& a, const auto& b) { return a.at < b.at; });
        Delayed task = std::move(*next);
        delayed_.erase(next);
        now_ = std::max(now_, task.at);
        task.task();
    }
}

void FakeShellPlatform::runDelayed(int milliseconds) {
    const int until = now_ + milliseconds;
    while (true) {
        const auto next =
            std::min_element(delayed_.begin(), delayed_.end(),
                             [](const auto& a, const auto& b) { return a.at < b.at; });
        if (next == delayed_.end() || next->at > until) {
            break;
        }
        Delayed task = std::move(*next);
        delayed_.erase(next);
        now_ = std::max(now_, task.at);
        task.task();
    }
    now_ = until;
}

Scene& FakeShellPlatform::addScene(const std::string& session, const ConnectionOptions& options) {
    std::string entry = "new " + session;
    for (const UserActivity& activity : options.userActivities) {
        entry += " " + activity.type;
    }
    log.push_back(entry);
    scenes_.push_back(std::make_unique<FakeScene>(session));
    return *scenes_.back();
}

void FakeShellPlatform::removeScene(const std::string& session) {
    log.push_back("destroy " + session);
    std::erase_if(scenes_,
                  [&](const auto& scene) { return scene->persistentIdentifier() == session; });
}

void FakeShellPlatform::bringForward(Scene& scene) {
    log.push_back("activate " + scene.persistentIdentifier());
    static_cast<FakeScene&>(scene).visible = true;
}

nlohmann::json FakeShellPlatform::state() const {
    static const char* const roots[] = {"none", "browser", "document", "welcome"};
    nlohmann::json result = nlohmann::json::array();
    for (const auto& scene : scenes_) {
        nlohmann::json entry = {{"session", scene->persistentIdentifier()},
                                {"title", scene->title()},
                                {"root", roots[static_cast<int>(scene->root())]},
                                {"visible", scene->visible},
                                {"minimum", {scene->minimum.width, scene->minimum.height}},
                                {"maximum", {scene->maximum.width, scene->maximum.height}}};
        entry["url"] = scene->url ? nlohmann::json(scene->url->path().string()) : nullptr;
        entry["presented"] = !scene->presentedDocument.expired();
        if (!scene->frame.empty()) {
            entry["frame"] = scene->frame;
        }
        result.push_back(entry);
    }
    return result;
}

} // namespace fen

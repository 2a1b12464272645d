#pragma once

#include "shell/ShellPlatform.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fen {

// A window of the fake window system: it only records what it is told.
class FakeScene : public Scene {
public:
    using Scene::Scene;

    std::string title() const override { return title_; }
    void setTitle(const std::string& title) override { title_ = title; }
    SceneRoot root() const override { return root_; }
    void setRootNone() override;
    void setRootBrowser() override;
    void setRootDocument(std::weak_ptr<KvDocument> document) override;
    void makeKeyAndVisible() override;
    void presentDocumentModally(std::weak_ptr<KvDocument> document, bool animated) override;
    void setRootWelcome() override;
    bool isForegroundActive() const override { return foregroundActive; }
    bool isKeyWindow() const override { return keyWindow; }
    bool hasSizeRestrictions() const override { return sizeRestrictions; }
    SceneSize minimumSize() const override { return minimum; }
    SceneSize maximumSize() const override { return maximum; }
    void setMinimumSize(SceneSize size) override { minimum = size; }
    void setMaximumSize(SceneSize size) override { maximum = size; }
    void setTitleHidden(bool hidden) override { titleHidden = hidden; }
    void setMiniaturizable(bool value) override { miniaturizable = value; }
    void setAllowsFullScreen(bool value) override { allowsFullScreen = value; }
    bool requestFrame(double x, double y, SceneSize size) override;

    std::weak_ptr<KvDocument> shownDocument;
    std::weak_ptr<KvDocument> presentedDocument;
    bool visible = false;
    bool foregroundActive = false;
    bool keyWindow = false;
    bool sizeRestrictions = true;
    SceneSize minimum{0, 0};
    SceneSize maximum{SceneSize::unrestricted, SceneSize::unrestricted};
    // How often the window's content was replaced.
    int rootChanges = 0;
    bool titleHidden = false;
    bool miniaturizable = true;
    bool allowsFullScreen = true;
    // The frame last asked for: x, y, width, height.
    std::vector<double> frame;
    // Whether the window system places windows where they are asked to go.
    bool placesWindows = true;

private:
    std::string title_;
    SceneRoot root_ = SceneRoot::none;
};

// A window system without windows, for the tests and the probe: scenes are records in the
// order made, each request is logged ("new <session> <activity type>", "activate <session>",
// "destroy <session>"), and delayed work waits until runDelayed().
class FakeShellPlatform : public ShellPlatform {
public:
    std::vector<Scene*> connectedScenes() const override;
    void after(int milliseconds, std::function<void()> task) override;
    SceneSize availableScreenSize() const override { return screen; }
    // The clock starts at 2026-01-01 and moves only with the delayed work.
    double currentTime() const override { return 1767225600.0 + now_ / 1000.0; }

    FakeScene* fakeScene(size_t index) const;
    // Runs the delayed work, including work it posts, in order of time.
    void runDelayed();
    // Runs the delayed work due within `milliseconds` from now, and moves the clock that far.
    void runDelayed(int milliseconds);
    // The user closes a window.
    void close(const std::string& session) { sceneClosed(session); }
    // The scenes and the log as JSON.
    nlohmann::json state() const;

    SceneSize screen{1920, 1080};
    std::vector<std::string> log;

protected:
    Scene& addScene(const std::string& session, const ConnectionOptions& options) override;
    void removeScene(const std::string& session) override;
    void bringForward(Scene& scene) override;

private:
    struct Delayed {
        int at;
        std::function<void()> task;
    };
    std::vector<std::unique_ptr<FakeScene>> scenes_;
    std::vector<Delayed> delayed_;
    int now_ = 0;
};

} // namespace fen

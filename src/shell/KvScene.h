#pragma once

#include "shell/ShellPlatform.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QVBoxLayout;

namespace fen {

class KvDocument;
class SceneManager;

// Makes the root view of a document window, holding its document weakly.
using DocumentViewFactory = std::function<QWidget*(std::weak_ptr<KvDocument>, QWidget* parent)>;

// One window of the program: a top-level window whose content is the document view, the shared
// document browser or nothing. The user's close discards its session; the Quit command keeps it.
class KvScene : public QMainWindow, public Scene {
    Q_OBJECT
public:
    KvScene(SceneManager& manager, const std::string& session);
    ~KvScene() override;

    std::string title() const override;
    void setTitle(const std::string& title) override;
    SceneRoot root() const override { return root_; }
    void setRootNone() override;
    void setRootBrowser() override;
    void setRootDocument(std::weak_ptr<KvDocument> document) override;
    void makeKeyAndVisible() override;
    void presentDocumentModally(std::weak_ptr<KvDocument> document, bool animated) override;
    void setRootWelcome() override;
    bool isForegroundActive() const override;
    bool isKeyWindow() const override;
    SceneSize minimumSize() const override;
    SceneSize maximumSize() const override;
    void setMinimumSize(SceneSize size) override;
    void setMaximumSize(SceneSize size) override;
    // Kept as the window properties "titleHidden", "miniaturizable" and "allowsFullScreen"
    // (window managers may refuse them; the menus and probes read them).
    void setTitleHidden(bool hidden) override;
    void setMiniaturizable(bool miniaturizable) override;
    void setAllowsFullScreen(bool allows) override;
    // Refused where the platform places windows itself (Wayland); a window shown elsewhere than
    // asked says so in one line on standard output.
    bool requestFrame(double x, double y, SceneSize size) override;

    // Gives the shared browser back without showing anything in its place (it moved on).
    QWidget* takeBrowser();
    // The scene is going: the user's close does not discard it a second time.
    void markGoing() { going_ = true; }
    // Gives a restored window the frame it had at the last quit (kept within the screen); its
    // content then never resizes it to a new window's size.
    void restoreFrame(const QByteArray& geometry);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    SceneManager& manager_;
    QVBoxLayout* layout_;
    QPointer<QWidget> content_;
    SceneRoot root_ = SceneRoot::none;
    bool going_ = false;
    bool frameRestored_ = false;
    std::optional<QRect> requestedFrame_;
};

} // namespace fen

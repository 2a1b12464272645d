#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

namespace fen {

// An invisible, zero-size child of a view that reports whether the view's window is the key
// (active) window. When any window becomes active, every nodifier hears one main-queue turn later
// whether that window is its own; when its own window stops being active, it hears false at
// once. A window's own dialogs, sheets and popovers count as that window, so a window under its
// sheet is still the key window. Nothing is reported before the first change of active window.
class KeyWindowNodifier : public QWidget {
    Q_OBJECT
public:
    KeyWindowNodifier(std::function<void(bool)> action, QWidget* parent);
    ~KeyWindowNodifier() override;

    // Whether `active` (a window-system window) is `view`'s window or a window it owns: its own
    // dialogs and popovers, whose owner is their parent widget's window, are followed to the
    // window they belong to.
    static bool isOwnWindow(const QWidget* view, const QWindow* active);

private:
    void activeWindowChanged(QWindow* active);

    std::function<void(bool)> action_;
    bool ownActive_ = false;
};

// An invisible, zero-size child of a document window's root that styles its window once it has
// one: the title marked hidden ("titleVisibility" "hidden" on the window-system window), the title
// bar marked transparent ("titlebarAppearsTransparent") and an empty toolbar object under
// "toolbar". In full screen the toolbar goes; it comes back, a new one, when the window has left
// full screen. The window manager's own title stays the file name: these are properties that
// probes and the window system's integration read.
class WindowStyleNodifier : public QWidget {
    Q_OBJECT
public:
    WindowStyleNodifier(bool hideTitlebar, bool largeTitlebarTransparent, QWidget* parent);

    static void setToolbar(QWindow* window, bool present);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchWindow();
    void styleStep();

    bool hideTitlebar_;
    // Carried for its one user, which sets it true; the title bar is made transparent whatever
    // its value.
    [[maybe_unused]] bool largeTitlebarTransparent_;
    bool didUpdateTitleVisibility_ = false;
    bool didUpdateLargeTitlebar_ = false;
    bool fullScreen_ = false;
    QPointer<QWidget> watched_;
};

} // namespace fen

#include "ui/KeyWindowNodifier.h"

#include "ui/WindowHandle.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>

namespace fen {

KeyWindowNodifier::KeyWindowNodifier(std::function<void(bool)> action, QWidget* parent)
    : QWidget(parent), action_(std::move(action)) {
    setFixedSize(0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    connect(qApp, &QGuiApplication::focusWindowChanged, this,
            &KeyWindowNodifier::activeWindowChanged);
}

KeyWindowNodifier::~KeyWindowNodifier() {
    action_ = nullptr;
}

bool KeyWindowNodifier::isOwnWindow(const QWidget* view, const QWindow* active) {
    if (!view || !active) {
        return false;
    }
    // A window made with a parent widget is owned by that widget's window.
    while (active->transientParent()) {
        active = active->transientParent();
    }
    return active == nsWindowForScene(view);
}

void KeyWindowNodifier::activeWindowChanged(QWindow* active) {
    const bool own = isOwnWindow(this, active);
    // Resigning is reported at once, and only by the window that resigns.
    if (ownActive_ && !own && action_) {
        action_(false);
    }
    ownActive_ = own;
    if (!active) {
        return;
    }
    // Becoming key is reported a turn later to every nodifier, about the window as it is then.
    QPointer<KeyWindowNodifier> self(this);
    QPointer<QWindow> becameKey(active);
    QMetaObject::invokeMethod(
        this,
        [self, becameKey] {
            if (self && self->action_) {
                self->action_(becameKey && isOwnWindow(self, becameKey));
            }
        },
        Qt::QueuedConnection);
}

WindowStyleNodifier::WindowStyleNodifier(bool hideTitlebar, bool largeTitlebarTransparent,
                                         QWidget* parent)
    : QWidget(parent), hideTitlebar_(hideTitlebar),
      largeTitlebarTransparent_(largeTitlebarTransparent) {
    setFixedSize(0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    watchWindow();
}

void WindowStyleNodifier::setToolbar(QWindow* window, bool present) {
    if (auto* old = window->property("toolbar").value<QObject*>()) {
        delete old;
    }
    if (!present) {
        window->setProperty("toolbar", QVariant());
        return;
    }
    auto* toolbar = new QObject(window);
    toolbar->setObjectName(QStringLiteral("toolbar"));
    window->setProperty("toolbar", QVariant::fromValue(toolbar));
}

bool WindowStyleNodifier::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
        watchWindow();
        styleStep();
    }
    return QWidget::event(event);
}

void WindowStyleNodifier::watchWindow() {
    QWidget* top = window();
    if (top == watched_ || top == this) {
        return;
    }
    if (watched_) {
        watched_->removeEventFilter(this);
    }
    watched_ = top;
    watched_->installEventFilter(this);
}

bool WindowStyleNodifier::eventFilter(QObject* watched, QEvent* event) {
    if (watched != watched_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Resize:
    case QEvent::LayoutRequest:
        styleStep();
        break;
    case QEvent::WindowStateChange: {
        const bool fullScreen = watched_->isFullScreen();
        QWindow* desktop = nsWindowForScene(this);
        if (fullScreen != fullScreen_ && didUpdateLargeTitlebar_ && desktop) {
            // Entering full screen takes the toolbar away; leaving it gives a new one.
            setToolbar(desktop, !fullScreen);
        }
        fullScreen_ = fullScreen;
        break;
    }
    default:
        break;
    }
    return false;
}

void WindowStyleNodifier::styleStep() {
    QWindow* desktop = nsWindowForScene(this);
    // The title step waits for a window to mark.
    if (hideTitlebar_ && !didUpdateTitleVisibility_ && desktop) {
        didUpdateTitleVisibility_ = true;
        desktop->setProperty("titleVisibility", QStringLiteral("hidden"));
    }
    if (!desktop || didUpdateLargeTitlebar_) {
        return;
    }
    didUpdateLargeTitlebar_ = true;
    desktop->setProperty("titlebarAppearsTransparent", true);
    setToolbar(desktop, true);
    fullScreen_ = watched_ && watched_->isFullScreen();
}

} // namespace fen

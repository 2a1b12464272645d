#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Signal.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace fen {

// Follows an on-screen keyboard through the platform's keyboard notifications: `height` is how
// far the keyboard covers the key window above its bottom inset (never negative), and a keyboard
// taller than 100 points over that inset is announced to the program as "KeyboardWillShow". The
// desktop has no on-screen keyboard: nothing posts these notifications there and the program makes
// no instance; the bottom inset is injected (0 on the desktop). Updates of the height run one turn
// of the main queue after their notification. Made through make(): the observers hold it weakly.
class KeyboardInfo : public std::enable_shared_from_this<KeyboardInfo> {
public:
    // The platform's notifications, and the user-info key of the keyboard's end frame (a
    // gfx::Rect).
    static constexpr const char* willShowNotification = "UIKeyboardWillShowNotification";
    static constexpr const char* willChangeFrameNotification =
        "UIKeyboardWillChangeFrameNotification";
    static constexpr const char* willHideNotification = "UIKeyboardWillHideNotification";
    static constexpr const char* frameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
    // Posted to the program, without object or user information.
    static constexpr const char* keyboardWillShowName = "KeyboardWillShow";

    using BottomInset = std::function<double()>;

    // A new instance observing the default notification centre; `bottomInset` gives the key
    // window's bottom inset (none: 0).
    static std::shared_ptr<KeyboardInfo> make(BottomInset bottomInset = {});
    // The shared instance, made on first use; it may be replaced.
    static std::shared_ptr<KeyboardInfo>& shared();

    ~KeyboardInfo();
    KeyboardInfo(const KeyboardInfo&) = delete;
    KeyboardInfo& operator=(const KeyboardInfo&) = delete;

    double height() const { return height_; }
    // Announces on heightWillChange, then stores: every assignment, also an equal one.
    void setHeight(double height);
    bool keyboardIsVisisble() const { return keyboardIsVisisble_; }

    void keyboardWillShow(const Notification& notification);
    void keyboardWillHide();

    Signal<double> heightWillChange;

private:
    explicit KeyboardInfo(BottomInset bottomInset);

    double height_ = 0;
    bool keyboardIsVisisble_ = false;
    BottomInset bottomInset_;
    ObserverToken t1_;
    ObserverToken t2_;
    ObserverToken t3_;
};

// A handle with which a view would scroll a scroll view from outside: brings the item with the
// given identifier into view.
struct ScrollViewProxy {
    std::function<void(const std::string& id)> scrollTo;
};

// Holds the scroll handle of one scroll view for the views around it; announces each new handle.
// It starts without one, and nothing in the program makes this holder.
class ScrollProxyModel {
public:
    const std::optional<ScrollViewProxy>& proxy() const { return proxy_; }
    void setProxy(std::optional<ScrollViewProxy> proxy) {
        proxy_ = std::move(proxy);
        changed();
    }

    Signal<> changed;

private:
    std::optional<ScrollViewProxy> proxy_;
};

} // namespace fen

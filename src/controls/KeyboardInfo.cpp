#include "controls/KeyboardInfo.h"

#include "platform/foundation/MainQueue.h"
#include "platform/graphics/Geometry.h"

namespace fen {

KeyboardInfo::KeyboardInfo(BottomInset bottomInset) : bottomInset_(std::move(bottomInset)) {}

std::shared_ptr<KeyboardInfo> KeyboardInfo::make(BottomInset bottomInset) {
    std::shared_ptr<KeyboardInfo> info(new KeyboardInfo(std::move(bottomInset)));
    std::weak_ptr<KeyboardInfo> weak = info;
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    // The platform posts these on the main thread, where they are handled at once.
    info->t1_ = centre.addObserver(willShowNotification, [weak](const Notification&) {
        if (auto self = weak.lock()) {
            self->keyboardIsVisisble_ = true;
        }
    });
    info->t2_ =
        centre.addObserver(willChangeFrameNotification, [weak](const Notification& notification) {
            if (auto self = weak.lock()) {
                self->keyboardWillShow(notification);
            }
        });
    info->t3_ = centre.addObserver(willHideNotification, [weak](const Notification&) {
        if (auto self = weak.lock()) {
            self->keyboardWillHide();
        }
    });
    return info;
}

std::shared_ptr<KeyboardInfo>& KeyboardInfo::shared() {
    static std::shared_ptr<KeyboardInfo> instance = make();
    return instance;
}

KeyboardInfo::~KeyboardInfo() {
    t1_.reset();
    t2_.reset();
    t3_.reset();
}

void KeyboardInfo::setHeight(double height) {
    heightWillChange(height);
    height_ = height;
}

void KeyboardInfo::keyboardWillShow(const Notification& notification) {
    if (!keyboardIsVisisble_) {
        return;
    }
    double frameHeight = 0;
    if (const auto entry = notification.userInfo.find(frameEndUserInfoKey);
        entry != notification.userInfo.end()) {
        if (const auto* frame = std::any_cast<gfx::Rect>(&entry->second)) {
            frameHeight = frame->height;
        }
    }
    const double inset = bottomInset_ ? bottomInset_() : 0;
    const double h = frameHeight - inset;
    std::weak_ptr<KeyboardInfo> weak = weak_from_this();
    MainQueue::post([weak, h] {
        if (h > 100.0) {
            NotificationCenter::defaultCenter().post(keyboardWillShowName);
        }
        if (auto self = weak.lock()) {
            self->setHeight(h >= 0 ? h : 0);
        }
    });
}

void KeyboardInfo::keyboardWillHide() {
    keyboardIsVisisble_ = false;
    MainQueue::post([self = shared_from_this()] {
        if (self->height_ != 0) {
            self->setHeight(0);
        }
    });
}

} // namespace fen

#include "document/NotificationDocumentCenterModifier.h"

#include <QEvent>

#include <map>

namespace fen {

namespace {

std::map<std::string, QPointer<QWidget>>& registry() {
    static std::map<std::string, QPointer<QWidget>> windows;
    return windows;
}

} // namespace

NotificationDocumentCenterModifier::NotificationDocumentCenterModifier(QWidget* content,
                                                                       std::string id)
    : QObject(content), content_(content), id_(std::move(id)) {
    content->installEventFilter(this);
    record();
}

NotificationDocumentCenterModifier::~NotificationDocumentCenterModifier() {
    registry().erase(id_);
}

NotificationDocumentCenterModifier*
NotificationDocumentCenterModifier::apply(QWidget* content, const std::string& id) {
    return new NotificationDocumentCenterModifier(content, id);
}

QWidget* NotificationDocumentCenterModifier::viewController(const std::string& id) {
    auto found = registry().find(id);
    return found == registry().end() ? nullptr : found->second.data();
}

QWidget* NotificationDocumentCenterModifier::findViewController(QWidget* widget) {
    for (QWidget* at = widget; at; at = at->parentWidget()) {
        if (at->isWindow()) {
            return at;
        }
    }
    return nullptr;
}

void NotificationDocumentCenterModifier::record() {
    // A root that is itself a window (not yet placed in one) has no host window yet.
    QWidget* host = content_->isWindow() ? nullptr : findViewController(content_);
    registry()[id_] = host;
}

bool NotificationDocumentCenterModifier::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ &&
        (event->type() == QEvent::ParentChange || event->type() == QEvent::Show)) {
        record();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace fen

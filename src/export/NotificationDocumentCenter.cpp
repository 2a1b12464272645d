#include "export/NotificationDocumentCenter.h"

#include "platform/foundation/Uuid.h"

namespace fen {

NotificationDocumentCenter::NotificationDocumentCenter() : id_(newUuidString()) {}

NotificationDocumentCenter::NotificationDocumentCenter(std::string identifier)
    : id_(std::move(identifier)) {}

std::shared_ptr<NotificationDocumentCenter>
NotificationDocumentCenter::makeDocumentNotificationCenter() {
    return std::make_shared<NotificationDocumentCenter>();
}

std::string NotificationDocumentCenter::scopedName(const std::string& baseName,
                                                   const std::string& identifier) {
    if (!baseName.empty() && baseName.back() == '_') {
        return baseName + identifier;
    }
    return baseName + "_" + identifier;
}

std::string NotificationDocumentCenter::scopedName(const std::string& baseName) const {
    return scopedName(baseName, id_);
}

ObserverToken NotificationDocumentCenter::addObserver(const std::string& baseName,
                                                      NotificationCenter::Handler handler) const {
    return NotificationCenter::defaultCenter().addObserver(scopedName(baseName),
                                                           std::move(handler));
}

void NotificationDocumentCenter::post(const std::string& baseName, std::any object) const {
    NotificationCenter::defaultCenter().post(scopedName(baseName), std::move(object));
}

} // namespace fen

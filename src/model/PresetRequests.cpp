#include "model/PresetRequests.h"

#include "platform/foundation/NotificationCenter.h"

#include <any>

namespace fen {
namespace {

void postPresetRequest(const std::string& baseName, std::any object,
                       const std::string& documentID) {
    NotificationCenter::defaultCenter().post(baseName + documentID, std::move(object));
}

} // namespace

std::string presetNotSavedMessage(const std::string& reason) {
    return "The preset could not be saved: " + reason;
}

std::string PresetSaveFailure::message() const {
    return "The preset \u201c" + name + "\u201d could not be saved: " + reason;
}

std::string PresetDeleteFailure::message() const {
    return "The preset could not be deleted: " + reason;
}

void postSavePresetRequest(PresetsList kind, const std::string& name,
                           const std::string& documentID) {
    postPresetRequest(kRequestToSavePreset, PresetSaveNotificationObject{kind, name}, documentID);
}

void postLoadPresetRequest(PresetsList kind, const std::string& id, const std::string& documentID) {
    postPresetRequest(kRequestToLoadPreset, PresetLoadNotificationObject{kind, id}, documentID);
}

void postDeletePresetRequest(PresetsList kind, const std::string& id,
                             const std::string& documentID) {
    postPresetRequest(kRequestToDeletePreset, PresetLoadNotificationObject{kind, id}, documentID);
}

} // namespace fen

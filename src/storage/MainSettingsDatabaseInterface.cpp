#include "storage/MainSettingsDatabaseInterface.h"

#include "storage/FenDatabaseManager.h"

#include <any>

namespace fen {

MainSettingsDatabaseInterface::~MainSettingsDatabaseInterface() {
    requestForSavingCancellable.reset();
    requestForLoadingCancellable.reset();
    requestForDeletingCancellable.reset();
}

PresetStoreKind MainSettingsDatabaseInterface::storeKind(PresetsList kind) {
    switch (kind) {
    case PresetsList::text:
        return PresetStoreKind::text;
    case PresetsList::image:
        return PresetStoreKind::image;
    case PresetsList::stamp:
        return PresetStoreKind::stamp;
    case PresetsList::pagenumber:
        return PresetStoreKind::pageNumber;
    }
    return PresetStoreKind::text;
}

std::string MainSettingsDatabaseInterface::identifier() const {
    return model && model->processorID ? *model->processorID : std::string();
}

void MainSettingsDatabaseInterface::subscribe() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    std::string id = identifier();
    // The tokens live in this object and remove their observers when it goes, so the handlers
    // never outlive it.
    requestForSavingCancellable =
        center.addObserver(kRequestToSavePreset + id, [this](const Notification& note) {
            if (const auto* request = std::any_cast<PresetSaveNotificationObject>(&note.object)) {
                savePreset(storeKind(request->presetList), request->name);
            }
        });
    requestForLoadingCancellable =
        center.addObserver(kRequestToLoadPreset + id, [this](const Notification& note) {
            if (const auto* request = std::any_cast<PresetLoadNotificationObject>(&note.object)) {
                loadPreset(storeKind(request->presetList), request->id);
            }
        });
    requestForDeletingCancellable =
        center.addObserver(kRequestToDeletePreset + id, [](const Notification& note) {
            if (const auto* request = std::any_cast<PresetLoadNotificationObject>(&note.object)) {
                FenDatabaseManager::deletePreset(storeKind(request->presetList), request->id);
            }
        });
}

void MainSettingsDatabaseInterface::savePreset(PresetStoreKind kind, const std::string& name) {
    if (!model) {
        return;
    }
    switch (kind) {
    case PresetStoreKind::stamp:
        if (model->stampConf) {
            FenDatabaseManager::saveStampPreset(name, *model->stampConf);
        }
        break;
    case PresetStoreKind::pageNumber:
        if (model->otherConf) {
            FenDatabaseManager::savePageNumberPreset(name, *model->otherConf);
        }
        break;
    case PresetStoreKind::text:
        if (model->textConf) {
            FenDatabaseManager::saveTextPreset(name, model->listOfTextItems, *model->textConf);
        }
        break;
    case PresetStoreKind::image:
        if (model->imageConf) {
            FenDatabaseManager::saveImagePreset(name, *model->imageConf);
        }
        break;
    }
}

void MainSettingsDatabaseInterface::loadPreset(PresetStoreKind kind, const std::string& id) {
    std::any answer;
    if (kind == PresetStoreKind::text) {
        if (auto content = FenDatabaseManager::loadTextPreset(id)) {
            answer = *content;
        }
    } else if (auto settings = FenDatabaseManager::loadPreset(kind, id)) {
        std::visit([&answer](const auto& value) { answer = value; }, *settings);
    }
    NotificationCenter::defaultCenter().post(kRequestUpdateWithSavedSettings + identifier(),
                                             std::move(answer));
}

} // namespace fen

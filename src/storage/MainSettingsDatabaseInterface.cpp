#include "storage/MainSettingsDatabaseInterface.h"

#include "platform/foundation/MainQueue.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "storage/StoreQueue.h"
#include "storage/StoreWork.h"

#include <any>
#include <functional>

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
        center.addObserver(kRequestToDeletePreset + id, [id](const Notification& note) {
            if (const auto* request = std::any_cast<PresetLoadNotificationObject>(&note.object)) {
                // After any save asked for before it; one that cannot be done is told.
                StoreQueue::shared().postChange("a preset delete", [list = request->presetList,
                                                                    presetID = request->id, id] {
                    CoreDataBase::clearLastFailure();
                    if (FenDatabaseManager::deletePreset(storeKind(list), presetID)) {
                        return true;
                    }
                    const std::string reason = CoreDataBase::lastFailure();
                    PresetDeleteFailure failure{list, presetID,
                                                reason.empty() ? std::string("the store refused it")
                                                               : reason};
                    MainQueue::post([failure, id] {
                        NotificationCenter::defaultCenter().post(kPresetCouldNotBeDeleted + id,
                                                                 failure);
                    });
                    return false;
                });
            }
        });
}

void MainSettingsDatabaseInterface::savePreset(PresetStoreKind kind, const std::string& name) {
    if (!model) {
        return;
    }
    // The settings are copied here, on the requesting thread; only the copy goes to the store.
    std::function<bool()> store;
    PresetsList list = PresetsList::text;
    switch (kind) {
    case PresetStoreKind::stamp:
        if (model->stampConf) {
            list = PresetsList::stamp;
            store = [name, settings = *model->stampConf] {
                return FenDatabaseManager::saveStampPreset(name, settings);
            };
        }
        break;
    case PresetStoreKind::pageNumber:
        if (model->otherConf) {
            list = PresetsList::pagenumber;
            store = [name, settings = *model->otherConf] {
                return FenDatabaseManager::savePageNumberPreset(name, settings);
            };
        }
        break;
    case PresetStoreKind::text:
        if (model->textConf) {
            list = PresetsList::text;
            store = [name, texts = model->listOfTextItems, settings = *model->textConf] {
                return FenDatabaseManager::saveTextPreset(name, texts, settings);
            };
        }
        break;
    case PresetStoreKind::image:
        if (model->imageConf) {
            list = PresetsList::image;
            store = [name, settings = *model->imageConf] {
                return FenDatabaseManager::saveImagePreset(name, settings);
            };
        }
        break;
    }
    if (!store) {
        return;
    }
    StoreQueue::shared().postSave(name, [store, list, name, id = identifier()] {
        CoreDataBase::clearLastFailure();
        if (store()) {
            return true;
        }
        std::string reason = CoreDataBase::lastFailure();
        PresetSaveFailure failure{list, name,
                                  reason.empty() ? std::string("the store refused it") : reason};
        MainQueue::post([failure, id] {
            NotificationCenter::defaultCenter().post(kPresetCouldNotBeSaved + id, failure);
        });
        return false;
    });
}

void MainSettingsDatabaseInterface::loadPreset(PresetStoreKind kind, const std::string& id) {
    auto answer = std::make_shared<std::any>();
    StoreWork::run(
        [answer, kind, id] {
            if (kind == PresetStoreKind::text) {
                if (auto content = FenDatabaseManager::loadTextPreset(id)) {
                    *answer = *content;
                }
            } else if (auto settings = FenDatabaseManager::loadPreset(kind, id)) {
                std::visit([&answer](const auto& value) { *answer = value; }, *settings);
            }
        },
        [answer, document = identifier()] {
            NotificationCenter::defaultCenter().post(kRequestUpdateWithSavedSettings + document,
                                                     std::move(*answer));
        });
}

} // namespace fen

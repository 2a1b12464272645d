#pragma once

#include "model/FenWatermarkModel.h"
#include "model/PresetRequests.h"
#include "platform/foundation/NotificationCenter.h"
#include "storage/PresetStoreKind.h"

#include <memory>
#include <string>

namespace fen {

// The base name of the answer to a load request; the document identifier follows directly. Its
// object is the loaded value itself: a FenDatabaseManager::TextPresetContent (texts and text
// settings) for text presets, else the StampSettings, PageNumberSettings or ImageSettings (with
// a fresh temporary copy of the picture); no object when nothing was found.
inline constexpr const char* kRequestUpdateWithSavedSettings = "RequestUpdateWithSavedSettings_";

// One document window's listener for the preset requests its panels post: saves the model's
// current settings of a kind under a name, loads a preset and answers with its settings, deletes
// a preset. It hears only the requests scoped to its model's processorID (the empty identifier
// when the model has none). A load is read where the window's store work runs (StoreWork) and
// answered on the main thread; a save takes a copy of the settings and, like a delete, is done on
// the store's own thread (StoreQueue), so the window never waits for a busy store. A save or a
// delete that could not be done is told through the main queue as kPresetCouldNotBeSaved or
// kPresetCouldNotBeDeleted + identifier. The subscriptions end with the listener.
class MainSettingsDatabaseInterface {
public:
    MainSettingsDatabaseInterface() = default;
    virtual ~MainSettingsDatabaseInterface();
    MainSettingsDatabaseInterface(const MainSettingsDatabaseInterface&) = delete;
    MainSettingsDatabaseInterface& operator=(const MainSettingsDatabaseInterface&) = delete;

    // The window's model: its processorID scopes the names, its settings are what a save stores.
    std::shared_ptr<FenWatermarkModel> model;
    ObserverToken requestForSavingCancellable;
    ObserverToken requestForLoadingCancellable;
    ObserverToken requestForDeletingCancellable;

    // Subscribes to the three requests under the current model's identifier, replacing any
    // earlier subscriptions.
    void subscribe();

    // Saves the model's settings of the kind under `name` on the store's thread; a kind whose
    // settings are absent in the model (or no model) stores nothing. Text presets keep the
    // model's whole list of texts.
    virtual void savePreset(PresetStoreKind kind, const std::string& name);
    // Loads the preset and posts the answer (see kRequestUpdateWithSavedSettings), also when
    // nothing was found: at once where store work runs on the calling thread, else once read.
    virtual void loadPreset(PresetStoreKind kind, const std::string& id);

    // The store kind of a panel's preset kind.
    static PresetStoreKind storeKind(PresetsList kind);

private:
    std::string identifier() const;
};

} // namespace fen

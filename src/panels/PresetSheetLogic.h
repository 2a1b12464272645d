#pragma once

#include "model/PresetRequests.h"
#include "storage/FenDatabaseManager.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fen {

// The rules of the saved-presets sheet and of the preset-name alert, without a widget. The sheet
// works on a snapshot of one kind's stored presets, read where the window's store work runs
// (read(), StoreWork) when it opens and again after a delete that could not be done: until the
// snapshot comes it lists nothing and says it is reading, never that no preset is stored. Opening
// and deleting post the window's preset requests (through the two actions it is given) and a
// delete removes the row from the snapshot at once, leaving the store to the window's listener.
// The alert's name rule and the texts of each kind are static.
class PresetSheetLogic {
public:
    using Action = std::function<void(const std::string& presetID)>;

    // `unreadable`: why the kind's stored presets could not be read (then `items` is empty).
    PresetSheetLogic(std::vector<PresetItem> items, Action openPresetID, Action deletePresetID,
                     std::optional<std::string> unreadable = std::nullopt);

    // A sheet over the stored presets of `kind` whose actions post the load and delete requests
    // of that kind to the window `documentID`; reading, until setStored() gives it the presets.
    static PresetSheetLogic forWindow(PresetsList kind, const std::string& documentID);
    // Reads the stored presets of `kind` where the window's store work runs, waiting within the
    // store's patience for another program that holds the store, and hands them to `done` on the
    // main thread.
    static void read(PresetsList kind,
                     std::function<void(FenDatabaseManager::StoredPresetItems)> done);
    // The snapshot read: the presets, or why they could not be read.
    void setStored(FenDatabaseManager::StoredPresetItems stored);
    // Whether the snapshot is still being read.
    bool isReading() const { return reading_; }

    // The sheet's title and the name alert's title of a kind ("Text Watermarks Presets", "Text
    // Watermark Preset").
    static const char* sheetTitle(PresetsList kind);
    static const char* alertTitle(PresetsList kind);
    // The stored presets of a kind, oldest saved first.
    static std::vector<PresetItem> storedItems(PresetsList kind);
    // The name a preset is saved under: the typed name as it stands, "Untitled Preset" when
    // empty.
    static std::string presetName(const std::string& typed);
    // The alert's OK: posts the save request of `kind` under presetName(typed).
    static void save(PresetsList kind, const std::string& typed, const std::string& documentID);

    const std::vector<PresetItem>& items() const { return items_; }
    // Why the stored presets of the sheet's kind could not be read; none when they could. The
    // sheet says so once, when it is shown.
    const std::optional<std::string>& unreadable() const { return unreadable_; }
    // The line that says it: "The stored stamp presets could not be read: REASON".
    static std::string unreadableMessage(PresetsList kind, const std::string& reason);
    const std::optional<std::string>& selectedItem() const { return selectedItem_; }
    // The Open button is enabled exactly while a row is selected.
    bool isOpenEnabled() const { return selectedItem_.has_value(); }

    // The list's selection: a preset identifier, or none.
    void select(const std::optional<std::string>& presetID);
    // Open or Return: opens the selected preset; nothing without a selection. True when a load
    // was requested (the sheet then closes).
    bool openSelected();
    // The Delete key: the first row whose identifier is the selection loses its selection, is
    // deleted and leaves the list. Nothing without a selection or when no row has it.
    bool deleteSelected();
    // A row's own delete: clears the selection, deletes the row at `row` and removes it.
    bool deleteRow(std::size_t row);

private:
    std::vector<PresetItem> items_;
    Action openPresetID_;
    Action deletePresetID_;
    std::optional<std::string> unreadable_;
    std::optional<std::string> selectedItem_;
    bool reading_ = false;
};

} // namespace fen

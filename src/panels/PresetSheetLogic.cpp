#include "panels/PresetSheetLogic.h"

#include "storage/FenDatabaseManager.h"
#include "storage/MainSettingsDatabaseInterface.h"
#include "storage/StoreWork.h"

#include <algorithm>
#include <memory>

namespace fen {

PresetSheetLogic::PresetSheetLogic(std::vector<PresetItem> items, Action openPresetID,
                                   Action deletePresetID, std::optional<std::string> unreadable)
    : items_(std::move(items)), openPresetID_(std::move(openPresetID)),
      deletePresetID_(std::move(deletePresetID)), unreadable_(std::move(unreadable)) {}

PresetSheetLogic PresetSheetLogic::forWindow(PresetsList kind, const std::string& documentID) {
    PresetSheetLogic logic(
        {},
        [kind, documentID](const std::string& id) { postLoadPresetRequest(kind, id, documentID); },
        [kind, documentID](const std::string& id) {
            postDeletePresetRequest(kind, id, documentID);
        });
    logic.reading_ = true;
    return logic;
}

void PresetSheetLogic::read(PresetsList kind,
                            std::function<void(FenDatabaseManager::StoredPresetItems)> done) {
    auto stored = std::make_shared<FenDatabaseManager::StoredPresetItems>();
    StoreWork::run(
        [stored, kind] {
            *stored =
                FenDatabaseManager::readPresetItems(MainSettingsDatabaseInterface::storeKind(kind));
        },
        [stored, done = std::move(done)] { done(std::move(*stored)); });
}

void PresetSheetLogic::setStored(FenDatabaseManager::StoredPresetItems stored) {
    reading_ = false;
    items_ = std::move(stored.items);
    unreadable_ = std::move(stored.unreadable);
    if (selectedItem_ && std::none_of(items_.begin(), items_.end(), [&](const PresetItem& item) {
            return item.id == *selectedItem_;
        })) {
        selectedItem_.reset();
    }
}

std::string PresetSheetLogic::unreadableMessage(PresetsList kind, const std::string& reason) {
    const char* name = "text";
    switch (kind) {
    case PresetsList::text:
        break;
    case PresetsList::image:
        name = "image";
        break;
    case PresetsList::stamp:
        name = "stamp";
        break;
    case PresetsList::pagenumber:
        name = "page number";
        break;
    }
    return std::string("The stored ") + name + " presets could not be read: " + reason;
}

const char* PresetSheetLogic::sheetTitle(PresetsList kind) {
    switch (kind) {
    case PresetsList::text:
        return "Text Watermarks Presets";
    case PresetsList::image:
        return "Image Watermarks Presets";
    case PresetsList::stamp:
        return "Stamp Watermarks Presets";
    case PresetsList::pagenumber:
        return "Page Number Watermarks Presets";
    }
    return "";
}

const char* PresetSheetLogic::alertTitle(PresetsList kind) {
    switch (kind) {
    case PresetsList::text:
        return "Text Watermark Preset";
    case PresetsList::image:
        return "Image Watermark Preset";
    case PresetsList::stamp:
        return "Stamp Watermark Preset";
    case PresetsList::pagenumber:
        return "Page Number Watermark Preset";
    }
    return "";
}

std::vector<PresetItem> PresetSheetLogic::storedItems(PresetsList kind) {
    switch (kind) {
    case PresetsList::text:
        return FenDatabaseManager::listTextPresetItems();
    case PresetsList::image:
        return FenDatabaseManager::listImagePresetItems();
    case PresetsList::stamp:
        return FenDatabaseManager::listStampPresetItems();
    case PresetsList::pagenumber:
        return FenDatabaseManager::listPageNumberPresetItems();
    }
    return {};
}

std::string PresetSheetLogic::presetName(const std::string& typed) {
    return typed.empty() ? std::string("Untitled Preset") : typed;
}

void PresetSheetLogic::save(PresetsList kind, const std::string& typed,
                            const std::string& documentID) {
    postSavePresetRequest(kind, presetName(typed), documentID);
}

void PresetSheetLogic::select(const std::optional<std::string>& presetID) {
    selectedItem_ = presetID;
}

bool PresetSheetLogic::openSelected() {
    if (!selectedItem_) {
        return false;
    }
    if (openPresetID_) {
        openPresetID_(*selectedItem_);
    }
    return true;
}

bool PresetSheetLogic::deleteSelected() {
    const std::string selected = selectedItem_.value_or(std::string());
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [&](const PresetItem& item) { return item.id == selected; });
    if (found == items_.end()) {
        return false;
    }
    return deleteRow(static_cast<std::size_t>(found - items_.begin()));
}

bool PresetSheetLogic::deleteRow(std::size_t row) {
    if (row >= items_.size()) {
        return false;
    }
    selectedItem_.reset();
    const std::string id = items_[row].id;
    if (deletePresetID_) {
        deletePresetID_(id);
    }
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(row));
    return true;
}

} // namespace fen

#include "storage/FenDatabaseManager.h"

#include "storage/CoreDataBase.h"

#include <algorithm>
#include <exception>

namespace fen {

namespace {

// The stored container of record type T, or nothing when none is stored or it cannot be read.
template <typename T>
std::optional<Presets<T>> decodePresets(const std::optional<std::string>& blob) {
    if (!blob) {
        return std::nullopt;
    }
    try {
        return decodeJson<Presets<T>>(*blob);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

template <typename T> Presets<T> fetch(PresetStoreKind kind) {
    return decodePresets<T>(CoreDataBase::shared()->loadPresetsData(kind)).value_or(Presets<T>{});
}

// Appends `record` to the kind's container in one transaction; an unreadable stored container
// is kept aside and replaced by one that holds only the new record.
template <typename T>
bool appendPreset(CoreDataBase& store, PresetStoreKind kind, const T& record) {
    return store.changePresetsData(kind, [&](const std::optional<std::string>& current) {
        std::optional<Presets<T>> stored = decodePresets<T>(current);
        bool unreadable = current.has_value() && !stored.has_value();
        Presets<T> container = stored.value_or(Presets<T>{});
        container.presets.push_back(record);
        container.lastSaved = Date::now().unixSeconds();
        return CoreDataBase::BlobChange{encodeJson(container), unreadable};
    });
}

// Removes the records with `id` in one transaction and returns them; an unreadable container,
// or one without such a record, is left exactly as it is.
template <typename T> std::vector<T> removePresets(PresetStoreKind kind, const std::string& id) {
    std::vector<T> removed;
    bool stored = CoreDataBase::shared()->changePresetsData(
        kind, [&](const std::optional<std::string>& current) {
            removed.clear();
            std::optional<Presets<T>> container = decodePresets<T>(current);
            if (!container) {
                return CoreDataBase::BlobChange{};
            }
            auto& presets = container->presets;
            auto kept = std::stable_partition(presets.begin(), presets.end(),
                                              [&](const T& preset) { return preset.id != id; });
            removed.assign(kept, presets.end());
            presets.erase(kept, presets.end());
            if (removed.empty()) {
                return CoreDataBase::BlobChange{};
            }
            return CoreDataBase::BlobChange{encodeJson(*container), false};
        });
    if (!stored) {
        removed.clear();
    }
    return removed;
}

template <typename T> const T* findPreset(const Presets<T>& container, const std::string& id) {
    for (const T& preset : container.presets) {
        if (preset.id == id) {
            return &preset;
        }
    }
    return nullptr;
}

template <typename T> std::vector<PresetItem> listItems(PresetStoreKind kind) {
    std::vector<PresetItem> items;
    for (const T& preset : fetch<T>(kind).presets) {
        items.push_back(PresetItem{preset.id, preset.name, std::nullopt});
    }
    return items;
}

} // namespace

AnyPresets FenDatabaseManager::fetchPresets(PresetStoreKind kind) {
    std::optional<std::string> blob = CoreDataBase::shared()->loadPresetsData(kind);
    if (blob) {
        try {
            return readPresets(kind, json::parse(*blob));
        } catch (const std::exception&) {
        }
    }
    return emptyPresets(kind);
}

std::vector<PresetItem> FenDatabaseManager::listTextPresetItems() {
    return listItems<TextPreset>(PresetStoreKind::text);
}

std::vector<PresetItem> FenDatabaseManager::listImagePresetItems() {
    return listItems<ImagePreset>(PresetStoreKind::image);
}

std::vector<PresetItem> FenDatabaseManager::listStampPresetItems() {
    return listItems<StampPreset>(PresetStoreKind::stamp);
}

std::vector<PresetItem> FenDatabaseManager::listPageNumberPresetItems() {
    return listItems<PageNumberPreset>(PresetStoreKind::pageNumber);
}

bool FenDatabaseManager::saveTextPreset(const std::string& name,
                                        const std::vector<std::string>& texts,
                                        const TextSettings& settings) {
    TextPreset record;
    record.name = name;
    record.textList = texts;
    record.preset = settings;
    return appendPreset(*CoreDataBase::shared(), PresetStoreKind::text, record);
}

bool FenDatabaseManager::saveStampPreset(const std::string& name, const StampSettings& settings) {
    StampPreset record;
    record.name = name;
    record.preset = settings;
    return appendPreset(*CoreDataBase::shared(), PresetStoreKind::stamp, record);
}

bool FenDatabaseManager::savePageNumberPreset(const std::string& name,
                                              const PageNumberSettings& settings) {
    PageNumberPreset record;
    record.name = name;
    record.preset = settings;
    return appendPreset(*CoreDataBase::shared(), PresetStoreKind::pageNumber, record);
}

bool FenDatabaseManager::saveImagePreset(const std::string& name, const ImageSettings& settings) {
    if (!settings.imageURL) {
        return false;
    }
    std::shared_ptr<CoreDataBase> store = CoreDataBase::shared();
    std::optional<std::string> imageID = store->saveImage(*settings.imageURL);
    if (!imageID) {
        return false;
    }
    ImagePreset record;
    record.name = name;
    record.imageID = *imageID;
    record.preset = settings;
    record.preset.imageURL.reset();
    if (!appendPreset(*store, PresetStoreKind::image, record)) {
        store->deleteImageData(*imageID);
        return false;
    }
    return true;
}

std::optional<FenDatabaseManager::PresetSettings>
FenDatabaseManager::loadPreset(PresetStoreKind kind, const std::string& id) {
    switch (kind) {
    case PresetStoreKind::text:
        return std::nullopt;
    case PresetStoreKind::stamp: {
        Presets<StampPreset> container = fetch<StampPreset>(kind);
        if (const StampPreset* preset = findPreset(container, id)) {
            return preset->preset;
        }
        return std::nullopt;
    }
    case PresetStoreKind::pageNumber: {
        Presets<PageNumberPreset> container = fetch<PageNumberPreset>(kind);
        if (const PageNumberPreset* preset = findPreset(container, id)) {
            return preset->preset;
        }
        return std::nullopt;
    }
    case PresetStoreKind::image: {
        Presets<ImagePreset> container = fetch<ImagePreset>(kind);
        const ImagePreset* preset = findPreset(container, id);
        if (!preset) {
            return std::nullopt;
        }
        std::optional<Url> picture = CoreDataBase::shared()->loadImageURL(preset->imageID);
        if (!picture) {
            return std::nullopt;
        }
        ImageSettings settings = preset->preset;
        settings.imageURL = *picture;
        return settings;
    }
    }
    return std::nullopt;
}

std::optional<FenDatabaseManager::TextPresetContent>
FenDatabaseManager::loadTextPreset(const std::string& id) {
    Presets<TextPreset> container = fetch<TextPreset>(PresetStoreKind::text);
    if (const TextPreset* preset = findPreset(container, id)) {
        return TextPresetContent{preset->textList, preset->preset};
    }
    return std::nullopt;
}

void FenDatabaseManager::deletePreset(PresetStoreKind kind, const std::string& id) {
    switch (kind) {
    case PresetStoreKind::text:
        removePresets<TextPreset>(kind, id);
        break;
    case PresetStoreKind::stamp:
        removePresets<StampPreset>(kind, id);
        break;
    case PresetStoreKind::pageNumber:
        removePresets<PageNumberPreset>(kind, id);
        break;
    case PresetStoreKind::image:
        for (const ImagePreset& removed : removePresets<ImagePreset>(kind, id)) {
            CoreDataBase::shared()->deleteImageData(removed.imageID);
        }
        break;
    }
}

} // namespace fen

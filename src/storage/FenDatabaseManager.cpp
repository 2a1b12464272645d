#include "storage/FenDatabaseManager.h"

#include "storage/CoreDataBase.h"

#include <algorithm>
#include <exception>
#include <functional>

namespace fen {

namespace {

// The stored container (Presets<T> or DBLists<T>), or nothing when none is stored or it cannot
// be read.
template <typename Container>
std::optional<Container> decodeStored(const std::optional<std::string>& blob) {
    if (!blob) {
        return std::nullopt;
    }
    try {
        return decodeJson<Container>(*blob);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

template <typename T> Presets<T> fetch(PresetStoreKind kind) {
    return decodeStored<Presets<T>>(CoreDataBase::shared()->loadPresetsData(kind))
        .value_or(Presets<T>{});
}

// Appends `record` to the kind's container in one transaction; an unreadable stored container
// is kept aside and replaced by one that holds only the new record.
template <typename T>
bool appendPreset(CoreDataBase& store, PresetStoreKind kind, const T& record) {
    return store.changePresetsData(kind, [&](const std::optional<std::string>& current) {
        std::optional<Presets<T>> stored = decodeStored<Presets<T>>(current);
        bool unreadable = current.has_value() && !stored.has_value();
        Presets<T> container = stored.value_or(Presets<T>{});
        container.presets.push_back(record);
        container.lastSaved = Date::now().unixSeconds();
        return CoreDataBase::BlobChange{encodeJson(container), unreadable};
    });
}

// Removes the records with `id` in one transaction and returns them; an unreadable container,
// or one without such a record, is left exactly as it is. Nothing when the store could not be
// changed.
template <typename T>
std::optional<std::vector<T>> removePresets(PresetStoreKind kind, const std::string& id) {
    std::vector<T> removed;
    bool stored = CoreDataBase::shared()->changePresetsData(
        kind, [&](const std::optional<std::string>& current) {
            removed.clear();
            std::optional<Presets<T>> container = decodeStored<Presets<T>>(current);
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
        return std::nullopt;
    }
    return removed;
}

// The first stored record of the kind with `id`; nothing when there is none.
template <typename T> std::optional<T> fetchPreset(PresetStoreKind kind, const std::string& id) {
    Presets<T> container = fetch<T>(kind);
    for (T& preset : container.presets) {
        if (preset.id == id) {
            return std::move(preset);
        }
    }
    return std::nullopt;
}

template <typename T> FenDatabaseManager::StoredPresetItems readItems(PresetStoreKind kind) {
    FenDatabaseManager::StoredPresetItems result;
    CoreDataBase::clearLastFailure();
    std::optional<std::string> blob = CoreDataBase::shared()->loadPresetsData(kind);
    if (!blob) {
        // A store that could not be read (held by another process all the while) is not a store
        // without presets.
        if (!CoreDataBase::lastFailure().empty()) {
            result.unreadable = CoreDataBase::lastFailure();
        }
        return result;
    }
    try {
        for (const T& preset : decodeJson<Presets<T>>(*blob).presets) {
            result.items.push_back(PresetItem{preset.id, preset.name, std::nullopt});
        }
    } catch (const std::exception& error) {
        result.items.clear();
        result.unreadable = error.what();
    }
    return result;
}

// The maker's addresses offered by the default QR codes.
constexpr const char* kMakerName = "Harrowcote";
constexpr const char* kMakerWebAddress = "https://harrowcote.example/fenmoor";
constexpr const char* kMakerSupportAddress = "support@harrowcote.example";
constexpr const char* kProductName = "Fenmoor";

std::vector<StampList> defaultStampList() {
    std::vector<StampList> entries;
    for (const char* text : {"Paid", "Received", "Approved", "Reviewed", "Certified", "Draft",
                             "Confidential", "Rejected", "Final"}) {
        StampList entry;
        entry.name = text;
        entries.push_back(entry);
    }
    return entries;
}

std::vector<PageNumberList> defaultPageNumberList() {
    std::vector<PageNumberList> entries;
    for (const char* format :
         {"#currentPage", "#currentPage of #totalPages", "#currentPage - #totalPages",
          "#currentPage / #totalPages", "Page #currentPage", "#currentPage of #lastPage",
          "#currentPage - #lastPage", "#currentPage / #lastPage"}) {
        PageNumberList entry;
        entry.name = format;
        entries.push_back(entry);
    }
    return entries;
}

std::vector<QRCodeStructure> defaultQRCodes() {
    QRCodeStructure link;
    link.type = QRCodeTypes::link;
    link.itemname = std::string(kMakerName) + " Website";
    link.url_url = kMakerWebAddress;
    link.backgroundColor = "#FFCCCC";
    link.foregroundColor = "000044";

    QRCodeStructure contact;
    contact.type = QRCodeTypes::people;
    contact.itemname = std::string(kMakerName) + " Contact";
    contact.contact_name = kMakerName;
    contact.contact_email = kMakerSupportAddress;
    contact.contact_url = kMakerWebAddress;
    contact.backgroundColor = "#FFFFFF";
    contact.foregroundColor = "#000000";

    QRCodeStructure mail;
    mail.type = QRCodeTypes::email;
    mail.itemname = std::string(kMakerName) + " E-Mail";
    mail.email_email = kMakerSupportAddress;
    mail.email_subject = kProductName;
    mail.email_body = std::string("Thank you for using ") + kProductName + "!";
    mail.backgroundColor = "#FFFFFF";
    mail.foregroundColor = "#000000";
    return {link, contact, mail};
}

std::vector<ImageList> qrEntries(const std::vector<QRCodeStructure>& codes) {
    std::vector<ImageList> entries;
    for (const QRCodeStructure& code : codes) {
        entries.push_back(ImageList{code.id, code.qrPayloadString(), code});
    }
    return entries;
}

// The stored entries; when nothing readable is stored, the defaults are stored in one
// transaction (unless another writer stored a list meanwhile) and returned. A store that could
// not be read (another process held it past the store's patience) is not known to hold nothing:
// nothing is returned or stored, and CoreDataBase::lastFailure() says why.
template <typename T>
std::optional<std::vector<T>> readOrSeed(ListStoreKind kind,
                                         const std::function<std::vector<T>()>& defaults) {
    std::shared_ptr<CoreDataBase> store = CoreDataBase::shared();
    CoreDataBase::clearLastFailure();
    const std::optional<std::string> blob = store->loadListData(kind);
    if (std::optional<DBLists<T>> stored = decodeStored<DBLists<T>>(blob)) {
        return stored->lists;
    }
    if (!blob && !CoreDataBase::lastFailure().empty()) {
        return std::nullopt;
    }
    std::optional<std::vector<T>> result;
    store->changeListData(kind, [&](const std::optional<std::string>& current) {
        if (std::optional<DBLists<T>> stored = decodeStored<DBLists<T>>(current)) {
            result = stored->lists;
            return CoreDataBase::BlobChange{};
        }
        DBLists<T> seeded;
        seeded.lastSaved = 0;
        seeded.lists = defaults();
        result = seeded.lists;
        return CoreDataBase::BlobChange{encodeJson(seeded), current.has_value()};
    });
    if (!result) {
        result = defaults();
    }
    return result;
}

// Changes a stored, readable list in one transaction; `change` returns false to write nothing.
// False, CoreDataBase::lastFailure() saying why, when the change could not be stored, the list
// not stored or not readable included.
template <typename T>
bool changeList(ListStoreKind kind, const std::function<bool(DBLists<T>&)>& change) {
    bool unread = false;
    CoreDataBase::clearLastFailure();
    const bool stored = CoreDataBase::shared()->changeListData(
        kind, [&](const std::optional<std::string>& current) {
            std::optional<DBLists<T>> stored = decodeStored<DBLists<T>>(current);
            unread = !stored;
            if (!stored || !change(*stored)) {
                return CoreDataBase::BlobChange{};
            }
            return CoreDataBase::BlobChange{encodeJson(*stored), false};
        });
    if (stored && unread) {
        CoreDataBase::noteFailure("the stored list could not be read");
        return false;
    }
    return stored;
}

template <typename T> bool appendEntry(ListStoreKind kind, const T& entry) {
    return changeList<T>(kind, [&](DBLists<T>& list) {
        list.lists.push_back(entry);
        list.lastSaved = Date::now().unixSeconds();
        return true;
    });
}

template <typename T> bool removeEntries(ListStoreKind kind, const std::string& id) {
    return changeList<T>(kind, [&](DBLists<T>& list) {
        auto removed = std::remove_if(list.lists.begin(), list.lists.end(),
                                      [&](const T& entry) { return entry.id == id; });
        if (removed == list.lists.end()) {
            return false;
        }
        list.lists.erase(removed, list.lists.end());
        return true;
    });
}

template <typename T> bool replaceEntry(ListStoreKind kind, const T& entry) {
    return changeList<T>(kind, [&](DBLists<T>& list) {
        for (T& existing : list.lists) {
            if (existing.id == entry.id) {
                existing = entry;
                return true;
            }
        }
        return false;
    });
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

FenDatabaseManager::StoredPresetItems FenDatabaseManager::readPresetItems(PresetStoreKind kind) {
    switch (kind) {
    case PresetStoreKind::text:
        return readItems<TextPreset>(kind);
    case PresetStoreKind::image:
        return readItems<ImagePreset>(kind);
    case PresetStoreKind::stamp:
        return readItems<StampPreset>(kind);
    case PresetStoreKind::pageNumber:
        return readItems<PageNumberPreset>(kind);
    }
    return {};
}

std::vector<PresetItem> FenDatabaseManager::listTextPresetItems() {
    return readPresetItems(PresetStoreKind::text).items;
}

std::vector<PresetItem> FenDatabaseManager::listImagePresetItems() {
    return readPresetItems(PresetStoreKind::image).items;
}

std::vector<PresetItem> FenDatabaseManager::listStampPresetItems() {
    return readPresetItems(PresetStoreKind::stamp).items;
}

std::vector<PresetItem> FenDatabaseManager::listPageNumberPresetItems() {
    return readPresetItems(PresetStoreKind::pageNumber).items;
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
    case PresetStoreKind::stamp:
        if (auto preset = fetchPreset<StampPreset>(kind, id)) {
            return preset->preset;
        }
        return std::nullopt;
    case PresetStoreKind::pageNumber:
        if (auto preset = fetchPreset<PageNumberPreset>(kind, id)) {
            return preset->preset;
        }
        return std::nullopt;
    case PresetStoreKind::image: {
        std::optional<ImagePreset> preset = fetchPreset<ImagePreset>(kind, id);
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
    if (auto preset = fetchPreset<TextPreset>(PresetStoreKind::text, id)) {
        return TextPresetContent{preset->textList, preset->preset};
    }
    return std::nullopt;
}

bool FenDatabaseManager::deletePreset(PresetStoreKind kind, const std::string& id) {
    switch (kind) {
    case PresetStoreKind::text:
        return removePresets<TextPreset>(kind, id).has_value();
    case PresetStoreKind::stamp:
        return removePresets<StampPreset>(kind, id).has_value();
    case PresetStoreKind::pageNumber:
        return removePresets<PageNumberPreset>(kind, id).has_value();
    case PresetStoreKind::image: {
        const std::optional<std::vector<ImagePreset>> removed =
            removePresets<ImagePreset>(kind, id);
        for (const ImagePreset& preset : removed.value_or(std::vector<ImagePreset>{})) {
            CoreDataBase::shared()->deleteImageData(preset.imageID);
        }
        return removed.has_value();
    }
    }
    return false;
}

} // namespace fen

namespace fen {

std::optional<FenDatabaseManager::AnyLists> FenDatabaseManager::loadStoredList(ListStoreKind kind) {
    std::optional<std::string> blob = CoreDataBase::shared()->loadListData(kind);
    switch (kind) {
    case ListStoreKind::stamp:
        if (auto list = decodeStored<DBLists<StampList>>(blob)) {
            return AnyLists(std::move(*list));
        }
        break;
    case ListStoreKind::pageNumber:
        if (auto list = decodeStored<DBLists<PageNumberList>>(blob)) {
            return AnyLists(std::move(*list));
        }
        break;
    case ListStoreKind::qrCode:
        if (auto list = decodeStored<DBLists<ImageList>>(blob)) {
            return AnyLists(std::move(*list));
        }
        break;
    }
    return std::nullopt;
}

std::optional<std::vector<StampList>> FenDatabaseManager::readStampList() {
    return readOrSeed<StampList>(ListStoreKind::stamp, defaultStampList);
}

std::optional<std::vector<PageNumberList>> FenDatabaseManager::readPageNumberList() {
    return readOrSeed<PageNumberList>(ListStoreKind::pageNumber, defaultPageNumberList);
}

std::optional<std::vector<QRCodeStructure>> FenDatabaseManager::readQRCodes() {
    std::optional<std::vector<ImageList>> entries =
        readOrSeed<ImageList>(ListStoreKind::qrCode, [] { return qrEntries(defaultQRCodes()); });
    if (!entries) {
        return std::nullopt;
    }
    std::vector<QRCodeStructure> codes;
    for (const ImageList& entry : *entries) {
        codes.push_back(entry.setting);
    }
    return codes;
}

std::vector<StampList> FenDatabaseManager::loadStampList() {
    return readStampList().value_or(std::vector<StampList>{});
}

std::vector<PageNumberList> FenDatabaseManager::loadPageNumberList() {
    return readPageNumberList().value_or(std::vector<PageNumberList>{});
}

std::vector<QRCodeStructure> FenDatabaseManager::loadQRCodes() {
    return readQRCodes().value_or(std::vector<QRCodeStructure>{});
}

Signal<const std::string&>& FenDatabaseManager::listEntryNotStored() {
    static Signal<const std::string&> signal;
    return signal;
}

bool FenDatabaseManager::addStampListEntry(const std::string& id, const std::string& name) {
    return appendEntry(ListStoreKind::stamp, StampList{id, name});
}

bool FenDatabaseManager::removeStampListEntry(const std::string& id) {
    return removeEntries<StampList>(ListStoreKind::stamp, id);
}

bool FenDatabaseManager::addPageNumberListEntry(const std::string& id, const std::string& name) {
    return appendEntry(ListStoreKind::pageNumber, PageNumberList{id, name});
}

bool FenDatabaseManager::updatePageNumberListEntry(const std::string& id, const std::string& name) {
    return replaceEntry(ListStoreKind::pageNumber, PageNumberList{id, name});
}

bool FenDatabaseManager::removePageNumberListEntry(const std::string& id) {
    return removeEntries<PageNumberList>(ListStoreKind::pageNumber, id);
}

bool FenDatabaseManager::addQRCode(const QRCodeStructure& code) {
    return appendEntry(ListStoreKind::qrCode, ImageList{code.id, code.itemname, code});
}

bool FenDatabaseManager::updateQRCode(const QRCodeStructure& code) {
    return replaceEntry(ListStoreKind::qrCode, ImageList{code.id, code.itemname, code});
}

bool FenDatabaseManager::removeQRCode(const std::string& id) {
    return removeEntries<ImageList>(ListStoreKind::qrCode, id);
}

} // namespace fen

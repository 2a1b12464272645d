#pragma once

#include "model/DBLists.h"
#include "model/ImageSettings.h"
#include "model/PageNumberSettings.h"
#include "model/PresetRequests.h"
#include "model/Presets.h"
#include "model/QRCodeStructure.h"
#include "model/StampSettings.h"
#include "model/TextSettings.h"
#include "platform/foundation/Signal.h"
#include "storage/ListStoreKind.h"
#include "storage/PresetStoreKind.h"

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace fen {

// The user's named presets and stored lists, kept through the shared store
// (CoreDataBase::shared()). A class without state: every call reads the kind's whole document from
// the store and, for changes, stores the whole document again, reading and writing inside one
// transaction so that a window and the command line saving at the same time lose neither save.
// Nothing throws.
//
// A stored document that cannot be read counts as "no presets" (readPresetItems says why it
// cannot be read); the first change that replaces
// it keeps a copy of it aside first (see CoreDataBase::BlobChange), so presets are never lost
// silently.
class FenDatabaseManager {
public:
    // The settings a loaded preset gives back: stamp, page-number or image settings by kind.
    using PresetSettings = std::variant<StampSettings, PageNumberSettings, ImageSettings>;
    // What a loaded text preset gives back: its list of texts and its settings.
    using TextPresetContent = std::pair<std::vector<std::string>, TextSettings>;

    // The kind's stored container; a new empty one (lastSaved now) when nothing readable is
    // stored.
    static AnyPresets fetchPresets(PresetStoreKind kind);

    // The items of a kind's stored presets, or why they could not be read.
    struct StoredPresetItems {
        // One per stored preset, in stored order: id, title = name, no image.
        std::vector<PresetItem> items;
        // Why the kind's stored presets could not be read (then there are no items); none when
        // they could, or when none are stored.
        std::optional<std::string> unreadable;
    };
    static StoredPresetItems readPresetItems(PresetStoreKind kind);

    // One item per stored preset of the kind, in stored order: id, title = name, no image. None
    // when they cannot be read (readPresetItems tells why).
    static std::vector<PresetItem> listTextPresetItems();
    static std::vector<PresetItem> listImagePresetItems();
    static std::vector<PresetItem> listStampPresetItems();
    static std::vector<PresetItem> listPageNumberPresetItems();

    // Append a new preset with a fresh identifier and set lastSaved to now. Names are not
    // compared: two presets may share one. True when the preset was stored.
    static bool saveTextPreset(const std::string& name, const std::vector<std::string>& texts,
                               const TextSettings& settings);
    static bool saveStampPreset(const std::string& name, const StampSettings& settings);
    static bool savePageNumberPreset(const std::string& name, const PageNumberSettings& settings);
    // Stores the picture at settings.imageURL under a new image identifier and keeps the
    // settings without their imageURL. Nothing is saved when there is no picture or it cannot
    // be read or stored; a picture stored for a preset that then could not be saved is removed.
    static bool saveImagePreset(const std::string& name, const ImageSettings& settings);

    // The settings of the first preset of the kind with that identifier; nothing for the text
    // kind (see loadTextPreset), for an unknown identifier, or for an image preset whose picture
    // is gone. An image preset's settings get a new temporary file of its picture each time.
    static std::optional<PresetSettings> loadPreset(PresetStoreKind kind, const std::string& id);
    static std::optional<TextPresetContent> loadTextPreset(const std::string& id);

    // Removes every preset of the kind with that identifier (lastSaved unchanged) and, for image
    // presets, their stored pictures. An identifier that no preset has changes nothing. False,
    // CoreDataBase::lastFailure() saying why, when the store could not be changed.
    static bool deletePreset(PresetStoreKind kind, const std::string& id);

    // A stored list of any of the three kinds; the alternatives are in the order of the kinds'
    // byte values, so index() is the kind.
    using AnyLists = std::variant<DBLists<StampList>, DBLists<PageNumberList>, DBLists<ImageList>>;

    // The kind's stored list; nothing when none is stored or it cannot be read.
    static std::optional<AnyLists> loadStoredList(ListStoreKind kind);

    // The stored entries in order. When nothing readable is stored, the list is seeded: its
    // defaults, with fresh identifiers and lastSaved 0, are stored (an unreadable list is kept
    // aside first) and returned, returned even when they could not be stored. A list emptied by
    // the user stays empty. QR codes come back as the codes kept in the entries. Nothing when the
    // store could not be read (CoreDataBase::lastFailure() says why): a list that could not be
    // read is neither empty nor the defaults.
    static std::optional<std::vector<StampList>> readStampList();
    static std::optional<std::vector<PageNumberList>> readPageNumberList();
    static std::optional<std::vector<QRCodeStructure>> readQRCodes();
    // As the reads, with no entries for a list that could not be read.
    static std::vector<StampList> loadStampList();
    static std::vector<PageNumberList> loadPageNumberList();
    static std::vector<QRCodeStructure> loadQRCodes();

    // Entry changes work only on a stored, readable list (otherwise nothing happens, and the
    // change is false). Adding appends (no check for duplicates) and sets lastSaved to now;
    // removing takes out every entry with the identifier; updating replaces the first entry with
    // it in place. Removing and updating leave lastSaved alone, and an identifier that no entry has
    // writes nothing. Each is false only when its change could not be stored
    // (CoreDataBase::lastFailure() says why).
    static bool addStampListEntry(const std::string& id, const std::string& name);
    static bool removeStampListEntry(const std::string& id);
    static bool addPageNumberListEntry(const std::string& id, const std::string& name);
    static bool updatePageNumberListEntry(const std::string& id, const std::string& name);
    static bool removePageNumberListEntry(const std::string& id);
    // A QR code's entry takes the code's id and its itemname as name.
    static bool addQRCode(const QRCodeStructure& code);
    static bool updateQRCode(const QRCodeStructure& code);
    static bool removeQRCode(const std::string& id);

    // Told on the main thread when an entry change the window made could not be stored (the
    // store busy, read-only, damaged, the list not read), with the reason (OptionListModel tells
    // it); the window shows it in an alert.
    static Signal<const std::string&>& listEntryNotStored();
};

} // namespace fen

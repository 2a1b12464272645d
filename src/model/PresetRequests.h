#pragma once

#include "model/Hashing.h"
#include "platform/foundation/Url.h"

#include <optional>
#include <string>

namespace fen {

// The kind of a preset as the panels and lists name it (not stored; the preset request listener
// maps it to its store kind).
enum class PresetsList { text, image, stamp, pagenumber };

// One preset as a list row or a command-line option shows it: its identifier, its name and an
// optional picture for the row.
struct PresetItem {
    std::string id;
    std::string title;
    std::optional<Url> image;

    bool operator==(const PresetItem&) const = default;
};

// The object of a save request: which kind to save, under which name.
struct PresetSaveNotificationObject {
    PresetsList presetList = PresetsList::text;
    std::string name;

    bool operator==(const PresetSaveNotificationObject&) const = default;
};

// The object of a load or a delete request (only the notification name tells them apart).
struct PresetLoadNotificationObject {
    PresetsList presetList = PresetsList::text;
    std::string id;

    bool operator==(const PresetLoadNotificationObject&) const = default;
};

// What the user is told of a list entry that could not be stored: "The preset could not be saved: "
// followed by the store's reason.
std::string presetNotSavedMessage(const std::string& reason);

// What a window is told when a preset it asked to save could not be stored: the kind, the name it
// was to be saved under (kept, so the user can try again) and why, in the store's words.
struct PresetSaveFailure {
    PresetsList presetList = PresetsList::text;
    std::string name;
    std::string reason;

    // The alert's text, which names the preset, as several may fail one after the other (a quit
    // that waits for the store): "The preset “NAME” could not be saved: REASON".
    std::string message() const;

    bool operator==(const PresetSaveFailure&) const = default;
};

// Base name of the notice that a save failed (object: PresetSaveFailure); the document identifier
// follows directly. Posted through the main queue.
inline constexpr const char* kPresetCouldNotBeSaved = "PresetCouldNotBeSaved_";

// A delete a window asked for that could not be done: the kind, the preset's identifier and why.
struct PresetDeleteFailure {
    PresetsList presetList = PresetsList::text;
    std::string id;
    std::string reason;

    // The alert's text: "The preset could not be deleted: REASON".
    std::string message() const;

    bool operator==(const PresetDeleteFailure&) const = default;
};

// Base name of the notice that a delete failed (object: PresetDeleteFailure); the document
// identifier follows directly. Posted through the main queue.
inline constexpr const char* kPresetCouldNotBeDeleted = "PresetCouldNotBeDeleted_";

// Base names of the three requests; the document identifier follows directly.
inline constexpr const char* kRequestToSavePreset = "RequestToSavePreset_";
inline constexpr const char* kRequestToLoadPreset = "RequestToLoadPreset_";
inline constexpr const char* kRequestToDeletePreset = "RequestToDeletePreset_";

// The requests by which a panel asks its window to save, load or delete a preset: posted on the
// default notification centre under the base name followed by the document identifier, with the
// request record (by value) as the object. Delivery is synchronous: the window's listener has
// acted when the call returns; nobody listening means nothing happens.
void postSavePresetRequest(PresetsList kind, const std::string& name,
                           const std::string& documentID);
void postLoadPresetRequest(PresetsList kind, const std::string& id, const std::string& documentID);
void postDeletePresetRequest(PresetsList kind, const std::string& id,
                             const std::string& documentID);

} // namespace fen

template <> struct std::hash<fen::Url> {
    std::size_t operator()(const fen::Url& url) const noexcept {
        std::size_t seed = 0;
        fen::hashCombine(seed, url.isFileURL());
        fen::hashCombine(seed, url.absoluteString());
        return seed;
    }
};

template <> struct std::hash<fen::PresetItem> {
    std::size_t operator()(const fen::PresetItem& item) const noexcept {
        std::size_t seed = 0;
        fen::hashCombine(seed, item.id);
        fen::hashCombine(seed, item.title);
        fen::hashCombine(seed, item.image.has_value() ? 1 : 0);
        if (item.image) {
            fen::hashCombine(seed, *item.image);
        }
        return seed;
    }
};

template <> struct std::hash<fen::PresetSaveNotificationObject> {
    std::size_t operator()(const fen::PresetSaveNotificationObject& object) const noexcept {
        std::size_t seed = 0;
        fen::hashCombine(seed, static_cast<int>(object.presetList));
        fen::hashCombine(seed, object.name);
        return seed;
    }
};

template <> struct std::hash<fen::PresetLoadNotificationObject> {
    std::size_t operator()(const fen::PresetLoadNotificationObject& object) const noexcept {
        std::size_t seed = 0;
        fen::hashCombine(seed, static_cast<int>(object.presetList));
        fen::hashCombine(seed, object.id);
        return seed;
    }
};

#pragma once

#include "platform/foundation/Url.h"
#include "storage/ListStoreKind.h"
#include "storage/OldSettingsMapping.h"
#include "storage/OldSettingsValue.h"
#include "storage/PresetStoreKind.h"

#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

namespace fen {

class CoreDataBase;

// The one-time conversion of the earlier version's settings. That version kept its lists and
// presets in a property list, "preferences.plist", and the pictures of its image presets in an
// "Images" folder beside it, in a folder of the user's application-support folder
// ($XDG_DATA_HOME, else ~/.local/share) named by its bundle identifier. At launch the shell calls
// convertOldVersion(): it converts what the file holds into presets and lists of this version,
// stores each kind in place of what the store held for it, and then deletes the file, so the
// conversion runs once. The images folder is never deleted.
//
// Nothing is lost on the way: before the first write the store is copied beside itself, and the
// file is deleted only once every kind it holds was stored; when some kinds (or none) could be
// stored, the file keeps just the others and the next launch tries those again, reusing the copy
// as long as the store still holds what the copy holds of those kinds (one copy per pending
// conversion); each such launch tells which kinds wait and why (a store that can only be read, a
// full disk).
// A file that cannot be converted (not a regular file, too large, no property list, or beyond the
// reader's bounds) is renamed "preferences.unconverted.plist" beside itself, so that the next
// launch starts clean. Both are told on standard error (log.h), naming the file made. A file
// that could not be removed (its folder cannot be written, is shared and not the user's, or either
// is immutable) is not converted at all, and that is told too: it could be neither removed nor
// rewritten afterwards, and every launch would convert it again.
class OldVersionConverter {
public:
    // The earlier version's bundle identifier, the name of its folder.
    static constexpr const char* oldBundleIdentifier = "com.harrowcote.fenmoor";

    // The settings file; nothing when no application-support folder can be had (it is created
    // when missing). Whether the file exists is not checked.
    static std::optional<Url> oldPreferencesURL();
    // The images folder beside it, under the same condition.
    static std::optional<Url> oldImagesFolderURL();

    // What a run of the conversion did.
    enum class Outcome {
        noFile,         // no application-support folder, or no settings file: nothing to do
        unreadable,     // the file could not be read: it is set aside, nothing is stored
        unparsable,     // no property list within bounds with a dictionary at its root: it is
                        // set aside, nothing is stored
        storeNotCopied, // the store could not be copied first: nothing is stored, the file stays
        notRemovable,   // the file could not be removed once converted (its folder cannot be
                        // written, lets only its owner remove it, or either is immutable):
                        // nothing is stored, the file stays
        converted,      // every kind found was stored and the file deleted
        partlyStored    // some kinds, or all, could not be stored: the file keeps only those, and
                        // that is told with the reason
    };

    // The whole conversion against the shared store, at launch. Runs synchronously.
    static Outcome convertOldVersion();
    // Deletes the settings file; the system's reason when it could not. The images folder stays.
    static std::error_code removeOldPreferences();

    // How the converted file is removed: removeOldPreferences(), or in tests a removal that fails
    // as one can after every check passed (a file bind-mounted in place gives EBUSY).
    using Removal = std::function<std::error_code()>;

    // The same against a given store and font lookup.
    static Outcome convertOldVersion(CoreDataBase& store,
                                     const OldSettingsMapping::FontLookup& fontLookup,
                                     const Removal& remove = &removeOldPreferences);

    // The blob of one kind, converted from one key of the settings file.
    struct ConvertedKind {
        std::string key;
        std::variant<PresetStoreKind, ListStoreKind> kind;
        // The JSON text of its Presets or DBLists container; nothing when it could not be
        // written (such a kind is not stored, and the file is kept).
        std::optional<std::string> blob;
    };

    // Converts the keys of a settings dictionary, in this order: "text_watermark_list",
    // "stamp_watermark_list", "stamp_presets", "qrcode_watermark_list", "other_watermark_list",
    // "other_presets", "image_presets". A key that is missing, or whose value is not of its type
    // (an array of dictionaries, an array of texts, a dictionary of dictionaries), is left out and
    // its kind stays as stored;
    // an empty value gives an empty container. The keys `leftOut` are left out as well. Image
    // presets store their pictures through the environment while they are converted.
    static std::vector<ConvertedKind>
    convertSettings(const OldSettingsValue& root,
                    const OldSettingsMapping::Environment& environment,
                    const std::vector<std::string>& leftOut = {});

    // The font lookup of the conversion: an installed font by its name, or by the PostScript
    // form that the earlier version kept ("HelveticaNeue-Bold" for "Helvetica Neue Bold").
    static std::optional<OldSettingsMapping::FontFace> lookUpInstalledFont(const std::string& name);
};

} // namespace fen

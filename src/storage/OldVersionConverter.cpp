#include "storage/OldVersionConverter.h"

#include "model/StartOfToday.h"
#include "platform/foundation/FreeName.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/WholeFileReader.h"
#include "platform/text/Font.h"
#include "storage/CoreDataBase.h"

#include <plist/plist.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fs.h>
#include <map>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

// The keys the conversion reads, in its order, each with the entity whose blob it replaces.
const std::array<std::pair<const char*, const char*>, 7> convertedKeys = {{
    {"text_watermark_list", entityName(PresetStoreKind::text)},
    {"stamp_watermark_list", entityName(ListStoreKind::stamp)},
    {"stamp_presets", entityName(PresetStoreKind::stamp)},
    {"qrcode_watermark_list", entityName(ListStoreKind::qrCode)},
    {"other_watermark_list", entityName(ListStoreKind::pageNumber)},
    {"other_presets", entityName(PresetStoreKind::pageNumber)},
    {"image_presets", entityName(PresetStoreKind::image)},
}};

// The user's application-support folder, created when missing; nothing when none can be had.
std::optional<fs::path> applicationSupportFolder() {
    fs::path folder;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && fs::path(dataHome).is_absolute()) {
        folder = dataHome;
    } else if (home && *home) {
        folder = fs::path(home) / ".local" / "share";
    } else {
        return std::nullopt;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        return std::nullopt;
    }
    return folder;
}

// Whether the store would read the picture: a regular file within its size bound that can be
// opened. A picture it refuses counts as missing, not as one that failed to be stored.
bool isReadablePicture(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) &&
           fs::file_size(path, ec) <= CoreDataBase::maximumImageFileSize && !ec &&
           std::ifstream(path, std::ios::binary).good();
}

// Renames a settings file that cannot be converted out of the way, beside itself, so that the
// next launch starts clean, and says so on standard error with the reason.
void setAside(const fs::path& path, const std::string& reason) {
    const fs::path target = firstFreeName(path.parent_path(), "preferences.unconverted", ".plist");
    std::error_code ec;
    fs::rename(path, target, ec);
    if (ec) {
        log::message(log::Level::warning, "The earlier version's settings file " + path.string() +
                                              " could not be converted (" + reason +
                                              ") and could not be set aside: " + ec.message());
        return;
    }
    log::message(log::Level::warning, "The earlier version's settings file could not be "
                                      "converted (" +
                                          reason + "); it was set aside as " + target.string());
}

// Why the settings file could not be removed (or rewritten) once its kinds are stored; nothing
// when it can. Such a file would stay and be converted again at every start, each time copying
// the store and replacing the presets made since with the earlier version's.
std::optional<std::string> whyNotRemovable(const fs::path& path) {
    const fs::path folder = path.parent_path();
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return "its folder cannot be written: " + std::string(std::strerror(errno));
    }
    // A shared folder (the sticky bit) lets only the file's or the folder's owner remove it, and
    // the system's administrator.
    struct stat folderStatus {};
    struct stat fileStatus {};
    const uid_t user = ::geteuid();
    if (::stat(folder.c_str(), &folderStatus) == 0 && ::lstat(path.c_str(), &fileStatus) == 0 &&
        (folderStatus.st_mode & S_ISVTX) != 0 && user != 0 && fileStatus.st_uid != user &&
        folderStatus.st_uid != user) {
        return "its folder lets only the file's owner remove it";
    }
    // An immutable or append-only file or folder, which even the administrator cannot change.
    for (const fs::path& each : {path, folder}) {
        const int fd = ::open(each.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            continue;
        }
        int flags = 0;
        const bool fixed = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                           (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
        ::close(fd);
        if (fixed) {
            return (each == path ? "it" : std::string("its folder")) +
                   " is marked immutable or append-only";
        }
    }
    return std::nullopt;
}

// The JSON text of a container, {"lastSaved":…,"presets":[…]} or {"lastSaved":…,"lists":[…]},
// as Json(container).dump() writes it, but one entry at a time: a hundred thousand entries never
// stand as one tree in memory. Nothing when it cannot be written.
template <typename Entry>
std::optional<std::string> encodeEntries(double lastSaved, const char* member,
                                         const std::vector<Entry>& entries) {
    try {
        std::string out = "{\"lastSaved\":" + Json(lastSaved).dump() + ",\"" + member + "\":[";
        for (size_t i = 0; i < entries.size(); ++i) {
            if (i > 0) {
                out += ',';
            }
            out += Json(entries[i]).dump();
        }
        out += "]}";
        return out;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
template <typename T> std::optional<std::string> encode(const Presets<T>& container) {
    return encodeEntries(container.lastSaved, "presets", container.presets);
}
template <typename T> std::optional<std::string> encode(const DBLists<T>& container) {
    return encodeEntries(container.lastSaved, "lists", container.lists);
}

// The texts of an array whose every item is a text; nothing for anything else.
std::optional<std::vector<std::string>> texts(const OldSettingsValue* value) {
    const std::vector<OldSettingsValue>* items = value ? value->array() : nullptr;
    if (!items) {
        return std::nullopt;
    }
    std::vector<std::string> result;
    for (const OldSettingsValue& item : *items) {
        std::optional<std::string> text = item.text();
        if (!text) {
            return std::nullopt;
        }
        result.push_back(*text);
    }
    return result;
}

// A dictionary whose every value is a dictionary; nullptr for anything else.
const OldSettingsValue* dictionaryOfDictionaries(const OldSettingsValue* value) {
    if (!value || value->type() != OldSettingsValue::Type::dictionary) {
        return nullptr;
    }
    for (const OldSettingsValue& member : value->values()) {
        if (member.type() != OldSettingsValue::Type::dictionary) {
            return nullptr;
        }
    }
    return value;
}

// A digest of the settings file's bytes (64-bit FNV-1a, in hexadecimal), which names the file in
// the store's notes of the kinds a conversion stored while the file stayed.
std::string digestOf(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ULL;
    }
    char text[17] = {};
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// Writes the settings file again without the keys whose kinds are stored, in its own format,
// through a temporary file in the same folder; false when that fails (the file is then as it
// was).
bool rewriteWithout(const fs::path& path, const std::string& bytes,
                    const std::vector<std::string>& storedKeys) {
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    std::unique_ptr<void, void (*)(void*)> handle(
        root, [](void* p) { plist_free(static_cast<plist_t>(p)); });
    if (!root || plist_get_node_type(root) != PLIST_DICT) {
        return false;
    }
    for (const std::string& key : storedKeys) {
        plist_dict_remove_item(root, key.c_str());
    }
    char* out = nullptr;
    uint32_t length = 0;
    if (plist_is_binary(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
        plist_to_bin(root, &out, &length);
    } else {
        plist_to_xml(root, &out, &length);
    }
    std::unique_ptr<char, FreeDeleter> owned(out);
    if (!out || length == 0) {
        return false;
    }
    std::string pattern = (path.parent_path() / ".preferences.plist.XXXXXX").string();
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        return false;
    }
    const char* data = out;
    size_t left = length;
    bool written = true;
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n <= 0) {
            written = false;
            break;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    std::error_code ec;
    if (written) {
        fs::rename(pattern, path, ec);
    }
    if (!written || ec) {
        fs::remove(pattern, ec);
        return false;
    }
    return true;
}

} // namespace

std::optional<Url> OldVersionConverter::oldPreferencesURL() {
    auto folder = applicationSupportFolder();
    if (!folder) {
        return std::nullopt;
    }
    return Url::fileURL(*folder / oldBundleIdentifier / "preferences.plist");
}

std::optional<Url> OldVersionConverter::oldImagesFolderURL() {
    auto folder = applicationSupportFolder();
    if (!folder) {
        return std::nullopt;
    }
    return Url::fileURL(*folder / oldBundleIdentifier / "Images");
}

std::error_code OldVersionConverter::removeOldPreferences() {
    std::error_code ec;
    if (auto url = oldPreferencesURL()) {
        fs::remove(url->path(), ec);
    }
    return ec;
}

std::optional<OldSettingsMapping::FontFace>
OldVersionConverter::lookUpInstalledFont(const std::string& name) {
    std::optional<text::Font> font = text::Font::named(name, 1);
    if (!font && name.find(' ') == std::string::npos) {
        // "HelveticaNeue-BoldItalic" -> "Helvetica Neue Bold Italic"
        std::string spaced;
        for (size_t i = 0; i < name.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(name[i]);
            if (c == '-') {
                spaced.push_back(' ');
                continue;
            }
            if (i > 0 && std::isupper(c) && std::islower(static_cast<unsigned char>(name[i - 1]))) {
                spaced.push_back(' ');
            }
            spaced.push_back(static_cast<char>(c));
        }
        if (spaced != name) {
            font = text::Font::named(spaced, 1);
        }
    }
    if (!font) {
        return std::nullopt;
    }
    return OldSettingsMapping::FontFace{font->familyName(), font->styleName()};
}

std::vector<OldVersionConverter::ConvertedKind>
OldVersionConverter::convertSettings(const OldSettingsValue& root,
                                     const OldSettingsMapping::Environment& environment,
                                     const std::vector<std::string>& leftOut) {
    std::vector<ConvertedKind> result;
    const double now = Date::now().unixSeconds();
    auto add = [&](const char* key, auto kind, const auto& container) {
        result.push_back(ConvertedKind{key, kind, encode(container)});
    };
    auto member = [&](const char* key) {
        return std::find(leftOut.begin(), leftOut.end(), key) == leftOut.end() ? root.member(key)
                                                                               : nullptr;
    };

    if (auto* items = OldSettingsMapping::dictionaries(member("text_watermark_list"))) {
        Presets<TextPreset> presets{now, {}};
        for (const OldSettingsValue& item : *items) {
            presets.presets.push_back(
                OldSettingsMapping::textPresetFromOld(item, environment.fontLookup));
        }
        add("text_watermark_list", PresetStoreKind::text, presets);
    }
    if (auto list = texts(member("stamp_watermark_list"))) {
        DBLists<StampList> stamps{now, {}};
        for (const std::string& text : *list) {
            StampList entry;
            entry.name = text;
            stamps.lists.push_back(entry);
        }
        add("stamp_watermark_list", ListStoreKind::stamp, stamps);
    }
    if (auto* entries = dictionaryOfDictionaries(member("stamp_presets"))) {
        Presets<StampPreset> presets{now, {}};
        presets.presets.reserve(entries->keys().size());
        for (size_t i = 0; i < entries->keys().size(); ++i) {
            StampPreset preset;
            preset.name = entries->keys()[i];
            preset.preset = OldSettingsMapping::stampSettingsFromOld(entries->values()[i],
                                                                     environment.startOfToday);
            presets.presets.push_back(std::move(preset));
        }
        add("stamp_presets", PresetStoreKind::stamp, presets);
    }
    if (auto* items = OldSettingsMapping::dictionaries(member("qrcode_watermark_list"))) {
        DBLists<ImageList> codes{now, {}};
        for (const OldSettingsValue& item : *items) {
            codes.lists.push_back(
                OldSettingsMapping::qrCodeEntryFromOld(item, environment.startOfToday));
        }
        add("qrcode_watermark_list", ListStoreKind::qrCode, codes);
    }
    if (auto list = texts(member("other_watermark_list"))) {
        DBLists<PageNumberList> formats{now, {}};
        for (const std::string& text : *list) {
            PageNumberList entry;
            entry.name = OldSettingsMapping::pageNumberTagsFromOld(text);
            formats.lists.push_back(entry);
        }
        add("other_watermark_list", ListStoreKind::pageNumber, formats);
    }
    if (auto* entries = dictionaryOfDictionaries(member("other_presets"))) {
        Presets<PageNumberPreset> presets{now, {}};
        for (const OldSettingsValue& entry : entries->values()) {
            presets.presets.push_back(
                OldSettingsMapping::pageNumberPresetFromOld(entry, environment.fontLookup));
        }
        add("other_presets", PresetStoreKind::pageNumber, presets);
    }
    if (auto* entries = dictionaryOfDictionaries(member("image_presets"))) {
        Presets<ImagePreset> presets{now, {}};
        for (const OldSettingsValue& entry : entries->values()) {
            presets.presets.push_back(OldSettingsMapping::imagePresetFromOld(entry, environment));
        }
        add("image_presets", PresetStoreKind::image, presets);
    }
    return result;
}

OldVersionConverter::Outcome OldVersionConverter::convertOldVersion() {
    std::shared_ptr<CoreDataBase> store = CoreDataBase::shared();
    return convertOldVersion(*store, &OldVersionConverter::lookUpInstalledFont);
}

OldVersionConverter::Outcome OldVersionConverter::convertOldVersion(
    CoreDataBase& store, const OldSettingsMapping::FontLookup& fontLookup, const Removal& remove) {
    std::optional<Url> url = oldPreferencesURL();
    std::error_code ec;
    if (!url || !fs::exists(fs::symlink_status(url->path(), ec))) {
        return Outcome::noFile;
    }
    // A regular file within the size bound only: a pipe would block the launch and a device
    // never end.
    WholeFile file = WholeFileReader::readRegular(url->path(), OldSettingsValue::maxBytes);
    if (!file) {
        std::string reason = file.reason();
        if (file.error == std::errc::file_too_large) {
            reason = "larger than " + std::to_string(OldSettingsValue::maxBytes) + " bytes";
        } else if (file.error == std::errc::invalid_argument) {
            reason = "not a regular file"; // a pipe, a device or a socket
        }
        setAside(url->path(), reason);
        return Outcome::unreadable;
    }
    const std::string& bytes = *file.bytes;
    OldSettingsValue::Parsed parsed = OldSettingsValue::read(bytes);
    if (!parsed.value || parsed.value->type() != OldSettingsValue::Type::dictionary) {
        setAside(url->path(), parsed.value ? "its root is no dictionary" : parsed.problem);
        return Outcome::unparsable;
    }
    const OldSettingsValue& root = *parsed.value;
    if (std::optional<std::string> reason = whyNotRemovable(url->path())) {
        log::message(log::Level::warning,
                     "The earlier version's settings file " + url->path().string() +
                         " is not converted: it could not be removed afterwards (" + *reason +
                         "), and every start would convert it again over the presets and lists");
        return Outcome::notRemovable;
    }

    // The conversion replaces what the store holds of each kind it finds: the store is copied
    // first, so that presets made since the earlier version are not lost when its file turns up
    // again. Without a copy nothing is converted, and the file waits for the next launch. A copy
    // made at an earlier launch that still holds what would be replaced (a kind that could not be
    // stored then, nothing of it changed since) serves again: one copy per pending conversion.
    // The kinds an earlier start stored from these same bytes, while the file stayed (it could
    // not be rewritten without them, or removed), are left as they are: no copy is made for them,
    // and nothing made since is replaced.
    const std::string source = digestOf(bytes);
    const std::vector<std::string> done = store.convertedKeys(source);
    std::vector<std::string> replaced;
    for (const auto& [key, entity] : convertedKeys) {
        if (root.member(key) && std::find(done.begin(), done.end(), key) == done.end()) {
            replaced.push_back(entity);
        }
    }
    if (!replaced.empty()) {
        constexpr const char* label = "before-conversion";
        if (std::optional<fs::path> earlier = store.copyHolding(label, replaced)) {
            log::message(log::Level::warning,
                         "The store's copy " + earlier->string() +
                             " still holds the presets and lists the earlier version's settings "
                             "replace");
        } else if (std::optional<fs::path> copy = store.copyBeside(label)) {
            log::message(log::Level::warning,
                         "The store was copied to " + copy->string() +
                             " before the earlier version's settings replace its presets and "
                             "lists");
        } else {
            log::message(log::Level::warning,
                         "The store could not be copied (" + CoreDataBase::lastFailure() +
                             "); the earlier version's settings are not converted this time");
            return Outcome::storeNotCopied;
        }
    }

    // Each font name is looked up once: a hundred thousand presets name a handful of fonts.
    std::map<std::string, std::optional<OldSettingsMapping::FontFace>> fonts;
    auto cachedFontLookup = [&](const std::string& name) {
        auto found = fonts.find(name);
        if (found == fonts.end()) {
            found = fonts.emplace(name, fontLookup ? fontLookup(name) : std::nullopt).first;
        }
        return found->second;
    };

    // Pictures are stored while the image presets are converted. One that could be read but not
    // stored keeps its kind from being stored; the pictures of a kind that was not stored are
    // removed again.
    std::vector<std::string> storedImages;
    bool imageNotStored = false;
    std::string imageFailure;
    OldSettingsMapping::Environment environment;
    environment.fontLookup = cachedFontLookup;
    environment.startOfToday = startOfToday();
    environment.imagesFolder = oldImagesFolderURL();
    environment.saveImage = [&](const Url& file) -> std::optional<std::string> {
        std::optional<std::string> id = store.saveImage(file);
        if (id) {
            storedImages.push_back(*id);
        } else if (isReadablePicture(file.path())) {
            imageNotStored = true;
            imageFailure = CoreDataBase::lastFailure();
        }
        return id;
    };

    std::vector<ConvertedKind> kinds = convertSettings(root, environment, done);
    std::vector<std::string> storedKeys = done;
    std::vector<std::string> waitingKeys;
    // Why the first kind that was not stored was not.
    std::string why;
    for (const ConvertedKind& converted : kinds) {
        bool isImages = converted.key == "image_presets";
        bool stored = false;
        CoreDataBase::clearLastFailure();
        if (!converted.blob) {
            why = why.empty() ? "it could not be written as JSON" : why;
        } else if (isImages && imageNotStored) {
            why = why.empty() ? "a picture could not be stored: " + imageFailure : why;
        } else {
            stored =
                store.saveConvertedData(*converted.blob, converted.kind, source, converted.key);
            if (!stored && why.empty()) {
                why = CoreDataBase::lastFailure();
            }
        }
        if (stored) {
            storedKeys.push_back(converted.key);
            continue;
        }
        waitingKeys.push_back(converted.key);
        if (isImages) {
            for (const std::string& id : storedImages) {
                store.deleteImageData(id);
            }
        }
    }
    if (waitingKeys.empty()) {
        if (const std::error_code removal = remove()) {
            log::message(log::Level::warning,
                         "The earlier version's settings file " + url->path().string() +
                             " was converted but could not be removed (" + removal.message() +
                             "); the next start tries again to remove it, without converting it "
                             "again");
        } else {
            store.forgetConvertedKeys();
        }
        return Outcome::converted;
    }
    std::string told = storedKeys.empty()
                           ? "The earlier version's settings were not converted: their presets "
                             "and lists could not be stored"
                           : "Some of the earlier version's settings were not converted: some of "
                             "their presets and lists could not be stored";
    told += " (" + (why.empty() ? std::string("the store could not be written") : why) + "); ";
    for (const std::string& key : waitingKeys) {
        told += key + (&key == &waitingKeys.back() ? "" : ", ");
    }
    told += " wait in " + url->path().string() + " for the next start";
    if (!storedKeys.empty()) {
        if (rewriteWithout(url->path(), bytes, storedKeys)) {
            store.forgetConvertedKeys();
        } else {
            told += ", which leaves the kinds stored as they are (the file could not be rewritten "
                    "without them)";
        }
    }
    log::message(log::Level::warning, told);
    return Outcome::partlyStored;
}

} // namespace fen

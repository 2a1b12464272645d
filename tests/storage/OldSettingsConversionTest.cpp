#include "storage/OldVersionConverter.h"

#include "model/StartOfToday.h"
#include "storage/OldSettingsTestSupport.h"
#include "storage/StoreTestSupport.h"
#include "support/SmallFileSystem.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fen {
namespace {

namespace fs = std::filesystem;
using namespace fen::test;
using Outcome = OldVersionConverter::Outcome;
using Names = std::vector<std::string>;

const std::string kLogoBytes = "\x89PNG\r\n\x1A\n-logo-bytes";

// A store that fails chosen writes, as a full disk or a locked file would.
class FailingStore : public CoreDataBase {
public:
    using CoreDataBase::CoreDataBase;
    std::optional<PresetStoreKind> failPresets;
    std::optional<ListStoreKind> failList;
    bool failImages = false;
    bool failCopy = false;
    std::optional<fs::path> copyBeside(const std::string& label) override {
        return failCopy ? std::nullopt : CoreDataBase::copyBeside(label);
    }
    bool saveConvertedData(const std::string& data,
                           std::variant<PresetStoreKind, ListStoreKind> kind,
                           const std::string& source, const std::string& key) override {
        return (!failPresets || kind != decltype(kind)(*failPresets)) &&
               (!failList || kind != decltype(kind)(*failList)) &&
               CoreDataBase::saveConvertedData(data, kind, source, key);
    }
    std::optional<std::string> saveImage(const Url& from) override {
        return failImages ? std::nullopt : CoreDataBase::saveImage(from);
    }
};

class OldSettingsConversionTest : public ::testing::Test {
protected:
    fs::path folder() const { return home_.path() / "com.harrowcote.fenmoor"; }
    fs::path file() const { return folder() / "preferences.plist"; }
    fs::path images() const { return folder() / "Images"; }
    void writeSettings(const std::string& bytes) {
        fs::create_directories(images());
        writeFile(images() / "logo.png", kLogoBytes);
        writeFile(file(), bytes);
    }
    static Outcome convert(CoreDataBase& store, const OldVersionConverter::Removal& remove =
                                                    &OldVersionConverter::removeOldPreferences) {
        return OldVersionConverter::convertOldVersion(
            store,
            [](const std::string&) -> std::optional<OldSettingsMapping::FontFace> {
                return std::nullopt;
            },
            remove);
    }
    // Marks every kind with its entity name, so that replaced() tells which kinds a conversion
    // replaced.
    void storeSentinels() {
        for (auto kind : kPresetKinds) {
            ASSERT_TRUE(store_.store().savePresetsData(entityName(kind), kind));
        }
        for (auto kind : kListKinds) {
            ASSERT_TRUE(store_.store().saveListData(entityName(kind), kind));
        }
    }
    Names replaced() {
        Names names;
        for (auto kind : kPresetKinds) {
            names.push_back(
                store_.store().loadPresetsData(kind) != entityName(kind) ? entityName(kind) : "");
        }
        for (auto kind : kListKinds) {
            names.push_back(store_.store().loadListData(kind) != entityName(kind) ? entityName(kind)
                                                                                  : "");
        }
        std::erase(names, "");
        return names;
    }
    // The copies of the store made before a conversion.
    std::vector<fs::path> copies() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(store_.file().parent_path())) {
            if (entry.path().filename().string().starts_with("FenmoorData.before-conversion-")) {
                found.push_back(entry.path());
            }
        }
        return found;
    }
    template <typename T> Presets<T> presets(PresetStoreKind kind) {
        return decodeJson<Presets<T>>(store_.store().loadPresetsData(kind).value_or(""));
    }
    template <typename T> DBLists<T> lists(ListStoreKind kind) {
        return decodeJson<DBLists<T>>(store_.store().loadListData(kind).value_or(""));
    }
    static constexpr PresetStoreKind kPresetKinds[] = {
        PresetStoreKind::stamp, PresetStoreKind::pageNumber, PresetStoreKind::text,
        PresetStoreKind::image};
    static constexpr ListStoreKind kListKinds[] = {ListStoreKind::stamp, ListStoreKind::pageNumber,
                                                   ListStoreKind::qrCode};
    TempDir home_;
    ScopedEnv dataHome_{"XDG_DATA_HOME", home_.path().string()};
    ScopedStore store_;
};

TEST_F(OldSettingsConversionTest, EveryKindIsConvertedFromXmlAndBinaryLists) {
    for (bool asBinary : {false, true}) {
        SCOPED_TRACE(asBinary ? "binary" : "XML");
        writeSettings(asBinary ? binary(fullSettings()) : xml(fullSettings()));
        double before = Date::now().unixSeconds();
        // The entry point of the shell, against the shared store.
        ASSERT_EQ(OldVersionConverter::convertOldVersion(), Outcome::converted);
        auto text = presets<TextPreset>(PresetStoreKind::text);
        EXPECT_GE(text.lastSaved, before);
        ASSERT_EQ(text.presets.size(), 1u);
        EXPECT_EQ(text.presets[0].textList, (Names{"DRAFT", "COPY"}));
        EXPECT_EQ(pluck(lists<StampList>(ListStoreKind::stamp).lists, &StampList::name),
                  (Names{"Approved", ""}));
        auto stamps = presets<StampPreset>(PresetStoreKind::stamp);
        EXPECT_EQ(stamps.presets.at(0).preset.datename.dateValue, startOfToday());
        EXPECT_EQ(lists<ImageList>(ListStoreKind::qrCode).lists.at(0).name, "Web");
        // The old page-number tags become the new ones.
        EXPECT_EQ(
            pluck(lists<PageNumberList>(ListStoreKind::pageNumber).lists, &PageNumberList::name),
            Names{"#currentPage of #totalPages"});
        EXPECT_EQ(presets<PageNumberPreset>(PresetStoreKind::pageNumber).presets.at(0).name,
                  "Footer");
        // The picture is copied into the store; a picture that is gone leaves no identifier.
        std::map<std::string, std::string> imageIDs;
        for (const ImagePreset& preset : presets<ImagePreset>(PresetStoreKind::image).presets) {
            imageIDs[preset.name] = preset.imageID;
        }
        ASSERT_EQ(imageIDs.size(), 2u);
        EXPECT_EQ(imageIDs["Lost"], "");
        EXPECT_EQ(store_.column("SELECT data FROM DBImageStorage WHERE imageID = '" +
                                imageIDs["Logo"] + "'"),
                  Names{kLogoBytes});
        // The file is gone; the images folder stays.
        EXPECT_FALSE(fs::exists(file()));
        EXPECT_TRUE(fs::exists(images() / "logo.png"));
    }
    EXPECT_EQ(store_.count("DBImageStorage"), 2);
    EXPECT_EQ(OldVersionConverter::convertOldVersion(), Outcome::noFile);
}

TEST_F(OldSettingsConversionTest, EachKindReplacesOnlyItsOwnBlob) {
    storeSentinels();
    writeSettings(xml(pl(R"({"stamp_watermark_list": ["A", "B"]})")));
    ASSERT_EQ(convert(store_.store()), Outcome::converted);
    auto stamps = lists<StampList>(ListStoreKind::stamp);
    EXPECT_EQ(pluck(stamps.lists, &StampList::name), (Names{"A", "B"}));
    EXPECT_NEAR(stamps.lastSaved, Date::now().unixSeconds(), 60);
    EXPECT_EQ(replaced(), Names{"DBStampList"});
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_TRUE(fs::is_directory(images()));
    // Empty values replace too; values of the wrong type are skipped.
    storeSentinels();
    writeSettings(binary(pl(R"({"stamp_watermark_list": [], "image_presets": {},
        "stamp_presets": "not a dictionary", "other_watermark_list": ["ok", 3],
        "text_watermark_list": [{}, "x"], "other_presets": {"p": "not a dictionary"},
        "qrcode_watermark_list": {}})")));
    ASSERT_EQ(convert(store_.store()), Outcome::converted);
    EXPECT_EQ(replaced(), (Names{"DBImagePresets", "DBStampList"}));
    EXPECT_TRUE(lists<StampList>(ListStoreKind::stamp).lists.empty());
    EXPECT_TRUE(presets<ImagePreset>(PresetStoreKind::image).presets.empty());
    EXPECT_FALSE(fs::exists(file()));
}

// A file that cannot be converted is renamed beside itself and named on standard error, so the
// next start is clean; nothing is stored and the start is not held up.
TEST_F(OldSettingsConversionTest, AFileThatCannotBeConvertedIsSetAside) {
    storeSentinels();
    std::string whole = binary(fullSettings());
    const fs::path asideFile = folder() / "preferences.unconverted.plist";
    struct Case {
        const char* name;
        std::function<void()> make;
        Outcome outcome;
        const char* reason;
    };
    auto bytes = [this](std::string content) {
        return [this, content] { writeSettings(content); };
    };
    const Case cases[] = {
        {"no property list", bytes("not a property list"), Outcome::unparsable,
         "not a readable property list"},
        {"truncated", bytes(whole.substr(0, whole.size() - 20)), Outcome::unparsable,
         "not a readable property list"},
        {"root no dictionary", bytes(xml(pl(R"(["a"])"))), Outcome::unparsable,
         "its root is no dictionary"},
        {"nested 100,000 deep", bytes(binaryChain(100000)), Outcome::unparsable,
         "nested deeper than 256 levels"},
        {"300 shared references four levels deep", bytes(binaryFan(300, 4)), Outcome::unparsable,
         "more than 1000000 values once expanded"},
        {"references 9 bytes wide", bytes(binaryFan(2, 20, 9, 4)), Outcome::unparsable,
         "not a readable property list"},
        {"offsets 16 bytes wide", bytes(binaryFan(2, 20, 4, 16)), Outcome::unparsable,
         "not a readable property list"},
        {"XML arrays nested 200,000 deep", bytes(xmlNest("<array>", "</array>", 200000)),
         Outcome::unparsable, "nested deeper than 256 levels"},
        {"XML dictionaries nested 200,000 deep",
         bytes(xmlNest("<dict><key>k</key>", "</dict>", 200000)), Outcome::unparsable,
         "nested deeper than 256 levels"},
        {"a folder", [this] { fs::create_directories(file()); }, Outcome::unreadable,
         "Is a directory"},
        {"a pipe", [this] { ASSERT_EQ(mkfifo(file().c_str(), 0600), 0); }, Outcome::unreadable,
         "not a regular file"},
        {"a link to /dev/zero", [this] { fs::create_symlink("/dev/zero", file()); },
         Outcome::unreadable, "not a regular file"},
        {"too large",
         [this] {
             writeSettings("");
             fs::resize_file(file(), OldSettingsValue::maxBytes + 1);
         },
         Outcome::unreadable, "larger than 33554432 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(folder());
        c.make();
        Outcome outcome = Outcome::noFile;
        std::string logged = loggedBy([&] { outcome = convert(store_.store()); });
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_NE(logged.find(std::string("(") + c.reason + "); it was set aside as " +
                              asideFile.string()),
                  std::string::npos)
            << logged;
        EXPECT_TRUE(fs::exists(fs::symlink_status(asideFile)));
        EXPECT_EQ(convert(store_.store()), Outcome::noFile);
        fs::remove_all(asideFile);
    }
    // A second file set aside beside the first takes the next name.
    writeSettings("not a property list");
    writeFile(asideFile, "earlier");
    convert(store_.store());
    EXPECT_EQ(readFile(folder() / "preferences.unconverted-2.plist"), "not a property list");
    EXPECT_EQ(replaced(), Names{});
    EXPECT_EQ(store_.count("DBImageStorage"), 0);
}

// Many entries convert, each font name is looked up once, and pictures are read only as regular
// files, so a pipe or a device named by a preset neither blocks the start nor fills the memory.
// (The time the conversion takes is measured by bench_oldsettings.)
TEST_F(OldSettingsConversionTest, ManyEntriesAndPicturesThatAreNoFilesConvert) {
    constexpr int kTexts = 100000;
    constexpr int kStamps = 20000;
    // Written as text: libplist's own dictionary grows in quadratic time.
    std::string texts;
    std::string stamps;
    for (int i = 0; i < kTexts; ++i) {
        texts += "<string>Stamp " + std::to_string(i) + "</string>";
    }
    for (int i = 0; i < kStamps; ++i) {
        stamps += "<key>Stamp " + std::to_string(i) +
                  "</key><dict><key>StampTitle</key><string>T</string></dict>";
    }
    writeSettings("<plist><dict><key>stamp_watermark_list</key><array>" + texts +
                  "</array><key>stamp_presets</key><dict>" + stamps +
                  "</dict><key>image_presets</key><dict>"
                  "<key>a</key><dict><key>PresetName</key><string>Pipe</string>"
                  "<key>OriginalImage</key><string>pipe.png</string></dict>"
                  "<key>b</key><dict><key>PresetName</key><string>Zero</string>"
                  "<key>OriginalImage</key><string>zero.png</string></dict>"
                  "<key>c</key><dict><key>PresetName</key><string>Logo</string>"
                  "<key>OriginalImage</key><string>logo.png</string></dict>"
                  "</dict></dict></plist>");
    ASSERT_EQ(mkfifo((images() / "pipe.png").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", images() / "zero.png");
    int lookups = 0;
    ASSERT_EQ(OldVersionConverter::convertOldVersion(
                  store_.store(),
                  [&](const std::string&) -> std::optional<OldSettingsMapping::FontFace> {
                      ++lookups;
                      return std::nullopt;
                  }),
              Outcome::converted);
    EXPECT_EQ(lists<StampList>(ListStoreKind::stamp).lists.size(), size_t(kTexts));
    auto presetsRead = presets<StampPreset>(PresetStoreKind::stamp).presets;
    ASSERT_EQ(presetsRead.size(), size_t(kStamps));
    EXPECT_EQ(presetsRead.back().preset.stampTextColor.value().stampText, "T");
    std::map<std::string, std::string> imageIDs;
    for (const ImagePreset& preset : presets<ImagePreset>(PresetStoreKind::image).presets) {
        imageIDs[preset.name] = preset.imageID;
    }
    EXPECT_EQ(imageIDs["Pipe"], "");
    EXPECT_EQ(imageIDs["Zero"], "");
    EXPECT_NE(imageIDs["Logo"], "");
    EXPECT_EQ(store_.count("DBImageStorage"), 1);
    EXPECT_EQ(lookups, 0); // stamps and pictures name no fonts
    // Text presets name fonts: each name is looked up once.
    writeSettings(xml(pl(R"({"text_watermark_list": [
        {"theList": [{"FontName": "A"}]}, {"theList": [{"FontName": "A"}]},
        {"theList": [{"FontName": "B"}]}]})")));
    OldVersionConverter::convertOldVersion(
        store_.store(), [&](const std::string&) -> std::optional<OldSettingsMapping::FontFace> {
            ++lookups;
            return std::nullopt;
        });
    EXPECT_EQ(lookups, 2);
}

// The conversion replaces what the store holds of each kind it finds, so the store is first
// copied beside itself and the copy named on standard error; the conversion's result is as before.
TEST_F(OldSettingsConversionTest, TheStoreIsCopiedBeforeTheConversionWrites) {
    storeSentinels();
    writeSettings(xml(pl(R"({"stamp_watermark_list": ["A"]})")));
    std::string logged = loggedBy([&] { EXPECT_EQ(convert(store_.store()), Outcome::converted); });
    std::vector<fs::path> made = copies();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].extension(), ".sqlite");
    EXPECT_NE(logged.find("The store was copied to " + made[0].string()), std::string::npos)
        << logged;
    EXPECT_EQ(queryColumn(made[0], "SELECT data FROM DBStampList"), Names{"DBStampList"});
    EXPECT_EQ(replaced(), Names{"DBStampList"});
    // A second conversion makes a second copy; a file with none of the keys writes nothing and
    // makes none.
    writeSettings(xml(pl(R"({"stamp_watermark_list": ["B"]})")));
    convert(store_.store());
    EXPECT_EQ(copies().size(), 2u);
    writeSettings(xml(pl(R"({"someOtherKey": 1})")));
    EXPECT_EQ(convert(store_.store()), Outcome::converted);
    EXPECT_EQ(copies().size(), 2u);
    // Without a copy nothing is written and the file waits.
    auto& failing = store_.install<FailingStore>();
    failing.failCopy = true;
    writeSettings(xml(pl(R"({"stamp_watermark_list": ["C"]})")));
    EXPECT_EQ(convert(failing), Outcome::storeNotCopied);
    EXPECT_TRUE(fs::exists(file()));
    EXPECT_EQ(pluck(lists<StampList>(ListStoreKind::stamp).lists, &StampList::name), Names{"B"});
}

// A conversion that cannot store a kind leaves the file for the next start, which reuses the copy
// made before while the store still holds what that copy holds of the kinds left; a kind saved
// anew in between is copied again. A file that keeps the kinds stored (it could not be rewritten
// without them, or removed) has them left as they are by the next starts: one copy in all. A file
// the earlier version writes anew, or the same file put back once converted, is another
// conversion, with a copy of its own.
TEST_F(OldSettingsConversionTest, TheStoreIsCopiedOncePerPendingConversion) {
    enum class Fault { none, settingsDiskFull, removalBusy };
    // What the user saves after the first start: the kind left waiting, or one stored.
    enum class Saved { nothing, stampPresets, stampList };
    // What else comes after the first start.
    enum class Then {
        nothing,
        // The disk has room again, and the stamp presets can be stored.
        roomForStampPresets,
        // The disk has room again, and the earlier version writes its file anew, its stamp list
        // changed.
        rewrittenByEarlierVersion,
        // The same file is put back (a backup restored, a sync).
        putBack,
    };
    struct Case {
        const char* name;
        bool storeOnlyRead;
        bool stampPresetsFail;
        Saved savedBetween;
        Fault fault;
        size_t copies;
        const char* stampList; // after the starts: as converted ("A"), saved between them, or none
        const char* outcomes;  // of the three starts
        Then then = Then::nothing;
        bool pageNumbersFail = false; // the page-number list is never stored
        const char* settings = R"({"stamp_watermark_list": ["A"], "stamp_presets": {}})";
        bool fileStays = true;
    };
    const Case cases[] = {
        {"a store that can only be read", true, false, Saved::nothing, Fault::none, 1, "sentinel",
         "partly partly partly"},
        {"a kind that cannot be stored", false, true, Saved::nothing, Fault::none, 1, "A",
         "partly partly partly"},
        {"a kind that cannot be stored, saved anew between the starts", false, true,
         Saved::stampPresets, Fault::none, 2, "A", "partly partly partly"},
        {"a kind that cannot be stored, the file not rewritten (its disk full)", false, true,
         Saved::stampList, Fault::settingsDiskFull, 1, "saved", "partly partly partly"},
        {"every kind stored, the file not removed (busy)", false, false, Saved::stampList,
         Fault::removalBusy, 1, "saved", "converted converted converted"},
        {"a kind stored at each of two starts, the file not rewritten at the first (its disk full)",
         false, true, Saved::stampList, Fault::settingsDiskFull, 1, "saved", "partly partly partly",
         Then::roomForStampPresets, true,
         R"({"stamp_watermark_list": ["A"], "stamp_presets": {}, "other_watermark_list": ["1"]})"},
        {"the file not rewritten (its disk full), then written anew by the earlier version", false,
         true, Saved::nothing, Fault::settingsDiskFull, 2, "B", "partly partly partly",
         Then::rewrittenByEarlierVersion},
        {"the same file put back once converted", false, false, Saved::stampList, Fault::none, 2,
         "A", "converted converted noFile", Then::putBack, false,
         R"({"stamp_watermark_list": ["A"]})", false},
    };
    const std::map<Outcome, std::string> outcomeNames = {{Outcome::converted, "converted"},
                                                         {Outcome::partlyStored, "partly"},
                                                         {Outcome::noFile, "noFile"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const fs::path& copy : copies()) {
            fs::remove(copy);
        }
        store_.install<CoreDataBase>();
        storeSentinels();
        CoreDataBase& store =
            c.storeOnlyRead ? store_.install<CoreDataBase>(true) : store_.install<FailingStore>();
        auto* failing = dynamic_cast<FailingStore*>(&store);
        if (c.stampPresetsFail) {
            failing->failPresets = PresetStoreKind::stamp;
        }
        if (c.pageNumbersFail) {
            failing->failList = ListStoreKind::pageNumber;
        }
        std::optional<SmallFileSystem> disk;
        if (c.fault == Fault::settingsDiskFull) {
            fs::create_directories(folder());
            disk.emplace(1 << 20, folder());
            if (!disk->mounted()) {
                std::cout << "skipped: " << disk->refusal() << "\n";
                continue;
            }
        }
        writeSettings(xml(pl(c.settings)));
        if (disk) {
            ASSERT_TRUE(disk->fill());
        }
        const auto remove = [&] {
            return c.fault == Fault::removalBusy
                       ? std::make_error_code(std::errc::device_or_resource_busy)
                       : OldVersionConverter::removeOldPreferences();
        };
        std::string outcomes;
        for (int start = 1; start <= 3; ++start) {
            const Outcome outcome = convert(store, remove);
            outcomes += (start > 1 ? " " : "") +
                        (outcomeNames.contains(outcome) ? outcomeNames.at(outcome) : "other");
            if (start > 1) {
                continue;
            }
            if (c.savedBetween == Saved::stampPresets) {
                ASSERT_TRUE(store.savePresetsData("saved", PresetStoreKind::stamp));
            } else if (c.savedBetween == Saved::stampList) {
                ASSERT_TRUE(store.saveListData("saved", ListStoreKind::stamp));
            }
            if (c.then == Then::roomForStampPresets || c.then == Then::rewrittenByEarlierVersion) {
                fs::remove(disk->path() / "filler");
            }
            if (c.then == Then::roomForStampPresets) {
                failing->failPresets.reset();
            } else if (c.then == Then::rewrittenByEarlierVersion) {
                writeSettings(xml(pl(R"({"stamp_watermark_list": ["B"], "stamp_presets": {}})")));
            } else if (c.then == Then::putBack) {
                writeSettings(xml(pl(c.settings)));
            }
        }
        EXPECT_EQ(outcomes, c.outcomes);
        EXPECT_EQ(copies().size(), c.copies);
        EXPECT_EQ(fs::exists(file()), c.fileStays);
        const std::optional<std::string> stamps = store.loadListData(ListStoreKind::stamp);
        std::string stampList = stamps == "saved"                            ? "saved"
                                : stamps == entityName(ListStoreKind::stamp) ? "sentinel"
                                                                             : "";
        for (const std::string& name :
             stampList.empty()
                 ? pluck(lists<StampList>(ListStoreKind::stamp).lists, &StampList::name)
                 : Names{}) {
            stampList += name;
        }
        EXPECT_EQ(stampList, std::string(c.stampList));
        disk.reset();
        fs::remove_all(folder());
    }
}

// A file that could not be removed once converted would be converted again at every start, each
// time copying the store and replacing the presets made since: in a folder that cannot be written,
// or another user's in a shared folder, it is left alone and told, start after start. Run by a user
// that is not root, which would write the folder whatever its permissions.
TEST_F(OldSettingsConversionTest, AFileThatCouldNotBeRemovedIsNotConverted) {
    struct Case {
        const char* name;
        fs::perms folderPermissions;
        bool othersFile;      // the folder and the file made by root before the child starts
        std::string outcomes; // of two starts, the list saved between them, the copies, the notice
    };
    const Case cases[] = {
        {"a folder that can be written", fs::perms::owner_all, false,
         "converted noFile; stamp list saved since kept; 1 copy"},
        {"a folder that cannot be written", fs::perms::owner_read | fs::perms::owner_exec, false,
         "not removable not removable; stamp list saved since kept; 0 copies; told"},
        {"another user's file in a shared folder", fs::perms::all | fs::perms::sticky_bit, true,
         "not removable not removable; stamp list saved since kept; 0 copies; told"},
    };
    TempDir shared(TempDir::Reach::everyone);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.othersFile && ::geteuid() != 0) {
            continue; // only root makes a file of another user than the child's
        }
        const fs::path work = shared.path() / std::to_string(&c - cases);
        fs::create_directory(work);
        fs::permissions(work, fs::perms::all); // for the user the child becomes
        const fs::path folder = work / "com.harrowcote.fenmoor";
        const auto makeFile = [&] {
            fs::create_directories(folder);
            writeFile(folder / "preferences.plist", xml(pl(R"({"stamp_watermark_list": ["A"]})")));
            fs::permissions(folder, c.folderPermissions);
        };
        if (c.othersFile) {
            makeFile();
        }
        const std::optional<std::string> answer = inUnprivilegedChild([&] {
            ScopedEnv dataHome("XDG_DATA_HOME", work.string());
            if (!c.othersFile) {
                makeFile();
            }
            CoreDataBase store(PersistenceController(StoreLocation{work / "FenmoorData.sqlite"}));
            std::string result;
            std::string logged;
            for (int start = 1; start <= 2; ++start) {
                Outcome outcome = Outcome::noFile;
                logged += loggedBy([&] { outcome = convert(store); });
                const std::map<Outcome, std::string> names = {
                    {Outcome::converted, "converted"},
                    {Outcome::noFile, "noFile"},
                    {Outcome::notRemovable, "not removable"}};
                result += (start > 1 ? " " : "") +
                          (names.contains(outcome) ? names.at(outcome) : "other");
                if (start == 1 && !store.saveListData("saved since", ListStoreKind::stamp)) {
                    return std::string("not saved");
                }
            }
            result += store.loadListData(ListStoreKind::stamp) == "saved since"
                          ? "; stamp list saved since kept"
                          : "; stamp list saved since replaced";
            size_t copies = 0;
            for (const auto& entry : fs::directory_iterator(work)) {
                copies +=
                    entry.path().filename().string().find("before-conversion") != std::string::npos;
            }
            result += "; " + std::to_string(copies) + (copies == 1 ? " copy" : " copies");
            if (logged.find("settings file " + (folder / "preferences.plist").string() +
                            " is not converted: it could not be removed afterwards") !=
                std::string::npos) {
                result += "; told";
            }
            std::error_code notOwner;
            fs::permissions(folder, fs::perms::owner_all, notOwner);
            return result;
        });
        ASSERT_TRUE(answer);
        EXPECT_EQ(*answer, c.outcomes);
    }
}

// What a conversion could not do is told at each start with the reason, and the file waits: a
// store file that can only be read in a folder that can be written, a disk that fills once the
// store was copied, a removal of the converted file that fails after every check passed (a file
// bind-mounted in place gives EBUSY), and a store that refuses one kind, or a picture, of two.
TEST_F(OldSettingsConversionTest, WhatAConversionCouldNotDoIsToldAtEachStart) {
    enum class Fault {
        readOnlyStoreFile,
        diskFullAfterTheCopy,
        removalFails,
        stampPresetsRefused,
        pictureRefused
    };
    struct Case {
        const char* name;
        Fault fault;
        std::string told; // FILE stands for the settings file
        std::string outcome;
        std::string settings = R"({"stamp_watermark_list": ["A"]})";
    };
    const std::string notStored = "The earlier version's settings were not converted: their "
                                  "presets and lists could not be stored (";
    const std::string waiting = "); stamp_watermark_list wait in FILE for the next start";
    const Case cases[] = {
        {"a store file of mode 0444", Fault::readOnlyStoreFile,
         notStored + "attempt to write a readonly database" + waiting,
         "told, told; the file waits; stamp list kept"},
        {"a disk that fills after the copy", Fault::diskFullAfterTheCopy,
         notStored + "database or disk is full" + waiting,
         "told, told; the file waits; stamp list kept"},
        {"a removal that fails", Fault::removalFails,
         "The earlier version's settings file FILE was converted but could not be removed "
         "(Device or resource busy); the next start tries again to remove it, without "
         "converting it again",
         "told, told; the file waits; stamp list converted"},
        // The file is rewritten without the kind stored, and the reason is the store's.
        {"one kind of two refused by the store", Fault::stampPresetsRefused,
         "(constraint failed); stamp_presets wait in FILE for the next start\n",
         "told, told; the file waits; stamp list converted",
         R"({"stamp_watermark_list": ["A"], "stamp_presets": {"P": {}}})"},
        {"a picture refused by the store", Fault::pictureRefused,
         "(a picture could not be stored: constraint failed); image_presets wait in FILE for the "
         "next start\n",
         "told, told; the file waits; stamp list converted",
         R"({"stamp_watermark_list": ["A"], "image_presets": {"i1": {"OriginalImage": "logo.png"}}})"},
    };
    // Two starts on `store` with a settings file in `dataHome`.
    const auto twoStarts = [this](CoreDataBase& store, const fs::path& dataHome, const Case& c,
                                  const OldVersionConverter::Removal& remove) {
        ScopedEnv scoped("XDG_DATA_HOME", dataHome.string());
        const fs::path file = dataHome / "com.harrowcote.fenmoor" / "preferences.plist";
        fs::create_directories(file.parent_path() / "Images");
        writeFile(file.parent_path() / "Images" / "logo.png", kLogoBytes);
        writeFile(file, xml(pl(c.settings.c_str())));
        std::string expected = c.told;
        expected.replace(expected.find("FILE"), 4, file.string());
        std::string result;
        for (int start = 1; start <= 2; ++start) {
            const std::string logged = loggedBy([&] { convert(store, remove); });
            result += (start > 1 ? ", " : "") +
                      std::string(logged.find(expected) != std::string::npos ? "told" : logged);
        }
        result += fs::exists(file) ? "; the file waits" : "; the file is gone";
        result += store.loadListData(ListStoreKind::stamp) == "kept" ? "; stamp list kept"
                                                                     : "; stamp list converted";
        return result;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<std::string> answer;
        if (c.fault == Fault::readOnlyStoreFile) {
            // Root writes a file of any mode: the starts run as another user.
            TempDir work(TempDir::Reach::everyone);
            fs::permissions(work.path(), fs::perms::all);
            answer = inUnprivilegedChild([&] {
                const fs::path file = work / "FenmoorData.sqlite";
                CoreDataBase{PersistenceController(StoreLocation{file})}.saveListData(
                    "kept", ListStoreKind::stamp);
                fs::permissions(file, fs::perms::owner_read | fs::perms::group_read |
                                          fs::perms::others_read);
                CoreDataBase store{PersistenceController(StoreLocation{file})};
                return twoStarts(store, work.path(), c, &OldVersionConverter::removeOldPreferences);
            });
        } else if (c.fault == Fault::diskFullAfterTheCopy) {
            const SmallFileSystem disk(1 << 20);
            if (!disk.mounted()) {
                std::cout << "skipped: " << disk.refusal() << "\n";
                continue;
            }
            class FillingAfterTheCopy : public CoreDataBase {
            public:
                FillingAfterTheCopy(PersistenceController controller, const SmallFileSystem& disk)
                    : CoreDataBase(std::move(controller)), disk_(disk) {}
                std::optional<fs::path> copyBeside(const std::string& label) override {
                    std::optional<fs::path> copy = CoreDataBase::copyBeside(label);
                    // No room left: the store is still read.
                    disk_.fill();
                    return copy;
                }

            private:
                const SmallFileSystem& disk_;
            };
            FillingAfterTheCopy store(
                PersistenceController(StoreLocation{disk.path() / "FenmoorData.sqlite"}), disk);
            ASSERT_TRUE(store.saveListData("kept", ListStoreKind::stamp));
            answer = twoStarts(store, home_.path(), c, &OldVersionConverter::removeOldPreferences);
        } else if (c.fault == Fault::removalFails) {
            answer = twoStarts(store_.store(), home_.path(), c, [] {
                return std::make_error_code(std::errc::device_or_resource_busy);
            });
        } else {
            store::Database(store_.file(), store::OpenMode::readWrite)
                .exec(std::string("CREATE TRIGGER refused BEFORE INSERT ON ") +
                      (c.fault == Fault::pictureRefused ? "DBImageStorage" : "DBStampPresets") +
                      " BEGIN SELECT RAISE(ABORT, 'refused'); END");
            answer = twoStarts(store_.store(), home_.path(), c,
                               &OldVersionConverter::removeOldPreferences);
            store::Database(store_.file(), store::OpenMode::readWrite).exec("DROP TRIGGER refused");
        }
        ASSERT_TRUE(answer);
        EXPECT_EQ(*answer, c.outcome);
    }
}

TEST_F(OldSettingsConversionTest, NothingHappensWithoutAFileOrAFolder) {
    EXPECT_EQ(convert(store_.store()), Outcome::noFile);
    {
        ScopedEnv noDataHome("XDG_DATA_HOME", std::nullopt);
        ScopedEnv noHome("HOME", std::nullopt);
        EXPECT_FALSE(OldVersionConverter::oldPreferencesURL());
        EXPECT_FALSE(OldVersionConverter::oldImagesFolderURL());
        EXPECT_EQ(convert(store_.store()), Outcome::noFile);
    }
    EXPECT_EQ(store_.count("DBStampList") + store_.count("DBStampPresets"), 0);
    // Asking for the locations makes the application-support folder, not the old one.
    ScopedEnv dataHome("XDG_DATA_HOME", (home_.path() / "new" / "share").string());
    fs::path old = home_.path() / "new/share/com.harrowcote.fenmoor";
    EXPECT_EQ(OldVersionConverter::oldPreferencesURL().value_or(Url()).path(),
              old / "preferences.plist");
    EXPECT_EQ(OldVersionConverter::oldImagesFolderURL().value_or(Url()).path(), old / "Images");
    EXPECT_TRUE(fs::is_directory(home_.path() / "new" / "share"));
    EXPECT_FALSE(fs::exists(old));
}

// The file is deleted only once everything in it was stored.
TEST_F(OldSettingsConversionTest, KindsThatCouldNotBeStoredStayInTheFile) {
    auto& failing = store_.install<FailingStore>();
    failing.failPresets = PresetStoreKind::stamp;
    writeSettings(binary(fullSettings()));
    ASSERT_EQ(convert(failing), Outcome::partlyStored);
    // The file keeps only what is not stored yet, in its own format.
    std::string rest = readFile(file());
    EXPECT_EQ(rest.substr(0, 8), "bplist00");
    auto left = OldSettingsValue::parse(rest);
    ASSERT_TRUE(left);
    Names keys = left->keys();
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (Names{"someOtherKey", "stamp_presets"}));
    auto storedStamps = failing.loadListData(ListStoreKind::stamp);
    ASSERT_TRUE(storedStamps);
    EXPECT_FALSE(failing.loadPresetsData(PresetStoreKind::stamp));
    // The next launch converts the rest and leaves what was stored alone.
    failing.failPresets.reset();
    ASSERT_EQ(convert(failing), Outcome::converted);
    EXPECT_TRUE(failing.loadPresetsData(PresetStoreKind::stamp));
    EXPECT_EQ(failing.loadListData(ListStoreKind::stamp), storedStamps);
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(OldSettingsConversionTest, PicturesOfAnImageKindThatWasNotStoredAreRemoved) {
    // The presets blob fails after the picture was stored: the picture goes again.
    auto& failing = store_.install<FailingStore>();
    failing.failPresets = PresetStoreKind::image;
    writeSettings(xml(fullSettings()));
    ASSERT_EQ(convert(failing), Outcome::partlyStored);
    EXPECT_EQ(store_.count("DBImageStorage"), 0);
    EXPECT_FALSE(failing.loadPresetsData(PresetStoreKind::image));
    auto left = OldSettingsValue::parse(readFile(file()));
    ASSERT_TRUE(left);
    EXPECT_TRUE(left->member("image_presets"));
    EXPECT_FALSE(left->member("text_watermark_list"));
    // A picture that can be read but not stored keeps the image presets from being stored.
    failing.failPresets.reset();
    failing.failImages = true;
    ASSERT_EQ(convert(failing), Outcome::partlyStored);
    EXPECT_FALSE(failing.loadPresetsData(PresetStoreKind::image));
    EXPECT_TRUE(fs::exists(file()));
    failing.failImages = false;
    ASSERT_EQ(convert(failing), Outcome::converted);
    EXPECT_EQ(store_.count("DBImageStorage"), 1);
}

TEST_F(OldSettingsConversionTest, InstalledFontsAreFoundByNameAndPostScriptName) {
    for (auto [name, style] :
         {std::pair{"Helvetica Neue", "Regular"}, std::pair{"HelveticaNeue-Bold", "Bold"}}) {
        auto face = OldVersionConverter::lookUpInstalledFont(name);
        ASSERT_TRUE(face) << name;
        EXPECT_EQ(std::pair(face->family, face->style),
                  std::pair(std::string("Helvetica Neue"), std::string(style)));
    }
    EXPECT_FALSE(OldVersionConverter::lookUpInstalledFont("NoSuchFont-Heavy"));
}

} // namespace
} // namespace fen

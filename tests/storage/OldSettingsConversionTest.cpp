#include "storage/OldVersionConverter.h"

#include "model/StartOfToday.h"
#include "storage/OldSettingsTestSupport.h"
#include "storage/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

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
    bool failImages = false;
    bool savePresetsData(const std::string& data, PresetStoreKind kind) override {
        return failPresets != kind && CoreDataBase::savePresetsData(data, kind);
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
    static Outcome convert(CoreDataBase& store) {
        return OldVersionConverter::convertOldVersion(
            store, [](const std::string&) -> std::optional<OldSettingsMapping::FontFace> {
                return std::nullopt;
            });
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

TEST_F(OldSettingsConversionTest, AFileThatIsNoSettingsListStaysAndNothingIsStored) {
    storeSentinels();
    std::string whole = binary(fullSettings());
    for (const std::string& bytes :
         {std::string("not a property list"), whole.substr(0, whole.size() - 20),
          xml(pl(R"(["a root that is no dictionary"])"))}) {
        writeSettings(bytes);
        EXPECT_EQ(convert(store_.store()), Outcome::unparsable);
        EXPECT_EQ(readFile(file()), bytes);
    }
    // A settings "file" that cannot be read stays as well.
    fs::remove(file());
    fs::create_directory(file());
    EXPECT_EQ(convert(store_.store()), Outcome::unreadable);
    EXPECT_TRUE(fs::is_directory(file()));
    EXPECT_EQ(replaced(), Names{});
    EXPECT_EQ(store_.count("DBImageStorage"), 0);
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

#include "storage/OldVersionConverter.h"

#include "model/ColorHex.h"
#include "model/StartOfToday.h"
#include "platform/foundation/Uuid.h"
#include "storage/OldSettingsTestSupport.h"
#include "storage/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fen {
namespace {

namespace fs = std::filesystem;
using namespace fen::test;
using Outcome = OldVersionConverter::Outcome;

const std::string kLogoBytes = "\x89PNG\r\n\x1A\n-logo-bytes";

// A settings file of the earlier version holding each of the seven keys, plus one it never had.
plist_t fullSettings() {
    return plDict({
        {"text_watermark_list",
         plArray({plDict({{"Name", plText("Draft set")},
                          {"theList", plArray({plDict({{"WaterMarkText", plText("DRAFT")},
                                                       {"Orientation", plInt(0)},
                                                       {"ColorType", plInt(2)}}),
                                               plDict({{"WaterMarkText", plText("COPY")}})})}})})},
        {"stamp_watermark_list", plArray({plText("Approved"), plText("")})},
        {"stamp_presets", plDict({{"Approved stamp", plDict({{"StampTitle", plText("APPROVED")},
                                                             {"Angle", plInt(7)}})}})},
        {"qrcode_watermark_list", plArray({plDict({{"profile_name", plText("Web")},
                                                   {"type", plInt(1)},
                                                   {"url", plText("example.com")},
                                                   {"color_background", plText("1 0 0 1")}})})},
        {"other_watermark_list", plArray({plText("[currentPage] of [totalPages]")})},
        {"other_presets", plDict({{"p1", plDict({{"PresetName", plText("Footer")},
                                                 {"OtherTitle", plText("Page [currentPage]")},
                                                 {"Position", plInt(6)}})}})},
        {"image_presets", plDict({{"i1", plDict({{"PresetName", plText("Logo")},
                                                 {"OriginalImage", plText("logo.png")},
                                                 {"Angle", plInt(7)}})},
                                  {"i2", plDict({{"PresetName", plText("Lost")},
                                                 {"OriginalImage", plText("gone.png")}})}})},
        {"someOtherKey", plText("ignored")},
    });
}

// A store that fails chosen writes, as a full disk or a locked file would.
class FailingStore : public CoreDataBase {
public:
    explicit FailingStore(const fs::path& file)
        : CoreDataBase(PersistenceController(StoreLocation{file})) {}

    std::optional<PresetStoreKind> failPresets;
    bool failImages = false;

    bool savePresetsData(const std::string& data, PresetStoreKind kind) override {
        if (failPresets == kind) {
            return false;
        }
        return CoreDataBase::savePresetsData(data, kind);
    }
    std::optional<std::string> saveImage(const Url& from) override {
        if (failImages) {
            return std::nullopt;
        }
        return CoreDataBase::saveImage(from);
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

    static std::optional<OldSettingsMapping::FontFace> noFonts(const std::string&) {
        return std::nullopt;
    }
    Outcome convert(CoreDataBase& store) {
        return OldVersionConverter::convertOldVersion(store, &noFonts);
    }

    // Marks every kind in the store, to tell later which kinds a conversion replaced.
    void storeSentinels(CoreDataBase& store) {
        for (int kind = 0; kind < 4; ++kind) {
            ASSERT_TRUE(store.savePresetsData("presets " + std::to_string(kind),
                                              static_cast<PresetStoreKind>(kind)));
        }
        for (int kind = 0; kind < 3; ++kind) {
            ASSERT_TRUE(store.saveListData("list " + std::to_string(kind),
                                           static_cast<ListStoreKind>(kind)));
        }
    }
    bool presetsUntouched(PresetStoreKind kind) {
        return store_.store().loadPresetsData(kind) ==
               "presets " + std::to_string(static_cast<int>(kind));
    }
    bool listUntouched(ListStoreKind kind) {
        return store_.store().loadListData(kind) ==
               "list " + std::to_string(static_cast<int>(kind));
    }

    template <typename T> Presets<T> presets(PresetStoreKind kind) {
        return decodeJson<Presets<T>>(store_.store().loadPresetsData(kind).value_or(""));
    }
    template <typename T> DBLists<T> lists(ListStoreKind kind) {
        return decodeJson<DBLists<T>>(store_.store().loadListData(kind).value_or(""));
    }

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
        EXPECT_EQ(text.presets[0].name, "Draft set");
        EXPECT_EQ(text.presets[0].textList, (std::vector<std::string>{"DRAFT", "COPY"}));
        EXPECT_EQ(text.presets[0].preset.position, Positions::diagonal);
        EXPECT_EQ(colorHexString(text.presets[0].preset.colorOutline.color), "FF0000");

        auto stamps = lists<StampList>(ListStoreKind::stamp);
        ASSERT_EQ(stamps.lists.size(), 2u);
        EXPECT_EQ(stamps.lists[0].name, "Approved");
        EXPECT_EQ(stamps.lists[1].name, "");
        EXPECT_TRUE(isUuidString(stamps.lists[0].id));
        EXPECT_NE(stamps.lists[0].id, stamps.lists[1].id);

        auto stampPresets = presets<StampPreset>(PresetStoreKind::stamp);
        ASSERT_EQ(stampPresets.presets.size(), 1u);
        EXPECT_EQ(stampPresets.presets[0].name, "Approved stamp");
        EXPECT_EQ(stampPresets.presets[0].preset.stampTextColor->stampText, "APPROVED");
        EXPECT_EQ(stampPresets.presets[0].preset.angle, WMAngles::auto_);
        EXPECT_EQ(stampPresets.presets[0].preset.datename.dateValue, startOfToday());

        auto codes = lists<ImageList>(ListStoreKind::qrCode);
        ASSERT_EQ(codes.lists.size(), 1u);
        EXPECT_EQ(codes.lists[0].name, "Web");
        EXPECT_EQ(codes.lists[0].setting.type, QRCodeTypes::link);
        EXPECT_EQ(codes.lists[0].setting.backgroundColor, "FF0000");
        EXPECT_EQ(codes.lists[0].setting.id, codes.lists[0].id);

        auto formats = lists<PageNumberList>(ListStoreKind::pageNumber);
        ASSERT_EQ(formats.lists.size(), 1u);
        EXPECT_EQ(formats.lists[0].name, "#currentPage of #totalPages");

        auto pageNumbers = presets<PageNumberPreset>(PresetStoreKind::pageNumber);
        ASSERT_EQ(pageNumbers.presets.size(), 1u);
        EXPECT_EQ(pageNumbers.presets[0].name, "Footer");
        EXPECT_EQ(pageNumbers.presets[0].preset.numberTextColor->stampText, "Page #currentPage");
        EXPECT_EQ(pageNumbers.presets[0].preset.position, Positions::bottomcenter);

        // The picture is copied into the store; a picture that is gone leaves no identifier.
        auto imagePresets = presets<ImagePreset>(PresetStoreKind::image);
        ASSERT_EQ(imagePresets.presets.size(), 2u);
        auto logo = std::find_if(imagePresets.presets.begin(), imagePresets.presets.end(),
                                 [](const ImagePreset& p) { return p.name == "Logo"; });
        auto lost = std::find_if(imagePresets.presets.begin(), imagePresets.presets.end(),
                                 [](const ImagePreset& p) { return p.name == "Lost"; });
        ASSERT_NE(logo, imagePresets.presets.end());
        ASSERT_NE(lost, imagePresets.presets.end());
        EXPECT_TRUE(isUuidString(logo->imageID));
        EXPECT_EQ(logo->preset.angle, WMAngles::dp10);
        EXPECT_EQ(logo->preset.imageURL, Url::fileURL(images() / "logo.png"));
        EXPECT_EQ(store_.column("SELECT data FROM DBImageStorage WHERE imageID = '" +
                                logo->imageID + "'"),
                  std::vector<std::string>{kLogoBytes});
        EXPECT_EQ(lost->imageID, "");
        EXPECT_EQ(lost->preset.imageURL, Url::fileURL(images() / "gone.png"));

        // The file is gone; the images folder stays.
        EXPECT_FALSE(fs::exists(file()));
        EXPECT_TRUE(fs::exists(images() / "logo.png"));
    }
    // Each run stored the picture anew.
    EXPECT_EQ(store_.count("DBImageStorage"), 2);
    EXPECT_EQ(OldVersionConverter::convertOldVersion(), Outcome::noFile);
}

TEST_F(OldSettingsConversionTest, EachKindReplacesOnlyItsOwnBlob) {
    storeSentinels(store_.store());
    writeSettings(xml(plDict({{"stamp_watermark_list", plArray({plText("A"), plText("B")})}})));
    ASSERT_EQ(convert(store_.store()), Outcome::converted);

    auto stamps = lists<StampList>(ListStoreKind::stamp);
    ASSERT_EQ(stamps.lists.size(), 2u);
    EXPECT_EQ(stamps.lists[0].name, "A");
    EXPECT_EQ(stamps.lists[1].name, "B");
    EXPECT_TRUE(isUuidString(stamps.lists[0].id));
    EXPECT_NEAR(stamps.lastSaved, Date::now().unixSeconds(), 60);
    for (auto kind : {PresetStoreKind::stamp, PresetStoreKind::pageNumber, PresetStoreKind::text,
                      PresetStoreKind::image}) {
        EXPECT_TRUE(presetsUntouched(kind));
    }
    EXPECT_TRUE(listUntouched(ListStoreKind::pageNumber));
    EXPECT_TRUE(listUntouched(ListStoreKind::qrCode));
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_TRUE(fs::is_directory(images()));
}

TEST_F(OldSettingsConversionTest, EmptyValuesReplaceAndWrongTypesAreSkipped) {
    storeSentinels(store_.store());
    writeSettings(binary(plDict({
        {"stamp_watermark_list", plArray({})},
        {"image_presets", plDict({})},
        {"stamp_presets", plText("not a dictionary")},
        {"other_watermark_list", plArray({plText("ok"), plInt(3)})},
        {"text_watermark_list", plArray({plDict({}), plText("x")})},
        {"other_presets", plDict({{"p", plText("not a dictionary")}})},
        {"qrcode_watermark_list", plDict({})},
    })));
    ASSERT_EQ(convert(store_.store()), Outcome::converted);
    EXPECT_TRUE(lists<StampList>(ListStoreKind::stamp).lists.empty());
    EXPECT_TRUE(presets<ImagePreset>(PresetStoreKind::image).presets.empty());
    EXPECT_TRUE(presetsUntouched(PresetStoreKind::stamp));
    EXPECT_TRUE(presetsUntouched(PresetStoreKind::text));
    EXPECT_TRUE(presetsUntouched(PresetStoreKind::pageNumber));
    EXPECT_TRUE(listUntouched(ListStoreKind::pageNumber));
    EXPECT_TRUE(listUntouched(ListStoreKind::qrCode));
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(OldSettingsConversionTest, AFileThatIsNoSettingsListStaysAndNothingIsStored) {
    storeSentinels(store_.store());
    std::string whole = binary(fullSettings());
    const std::string unusable[] = {"not a property list", whole.substr(0, whole.size() - 20),
                                    xml(plArray({plText("a root that is no dictionary")}))};
    for (const std::string& bytes : unusable) {
        writeSettings(bytes);
        EXPECT_EQ(convert(store_.store()), Outcome::unparsable);
        EXPECT_EQ(readFile(file()), bytes);
    }
    // A settings "file" that cannot be read stays as well.
    fs::remove(file());
    fs::create_directory(file());
    EXPECT_EQ(convert(store_.store()), Outcome::unreadable);
    EXPECT_TRUE(fs::is_directory(file()));

    for (int kind = 0; kind < 4; ++kind) {
        EXPECT_TRUE(presetsUntouched(static_cast<PresetStoreKind>(kind)));
    }
    for (int kind = 0; kind < 3; ++kind) {
        EXPECT_TRUE(listUntouched(static_cast<ListStoreKind>(kind)));
    }
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
    EXPECT_EQ(store_.count("DBStampList"), 0);
    EXPECT_EQ(store_.count("DBStampPresets"), 0);

    // Asking for the locations makes the application-support folder, not the old one.
    ScopedEnv dataHome("XDG_DATA_HOME", (home_.path() / "new" / "share").string());
    auto url = OldVersionConverter::oldPreferencesURL();
    ASSERT_TRUE(url);
    EXPECT_EQ(url->path(), home_.path() / "new/share/com.harrowcote.fenmoor/preferences.plist");
    EXPECT_EQ(OldVersionConverter::oldImagesFolderURL()->path(),
              home_.path() / "new/share/com.harrowcote.fenmoor/Images");
    EXPECT_TRUE(fs::is_directory(home_.path() / "new" / "share"));
    EXPECT_FALSE(fs::exists(home_.path() / "new/share/com.harrowcote.fenmoor"));
}

TEST_F(OldSettingsConversionTest, KindsThatCouldNotBeStoredStayInTheFile) {
    FailingStore failing(store_.dir() / "failing.sqlite");
    failing.failPresets = PresetStoreKind::stamp;
    writeSettings(binary(fullSettings()));
    ASSERT_EQ(convert(failing), Outcome::partlyStored);

    // The file keeps only what is not stored yet, in its own format.
    std::string rest = readFile(file());
    EXPECT_EQ(rest.substr(0, 8), "bplist00");
    auto left = OldSettingsValue::parse(rest);
    ASSERT_TRUE(left);
    std::vector<std::string> keys = left->keys();
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"someOtherKey", "stamp_presets"}));
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
    FailingStore failing(store_.dir() / "failing.sqlite");
    auto imageRows = [&] {
        store::Database db(store_.dir() / "failing.sqlite", store::OpenMode::readOnly);
        store::Statement s = db.prepare("SELECT count(*) FROM DBImageStorage");
        return s.step() ? std::stoll(s.columnBytes(0).value_or("-1")) : -1;
    };

    // The presets blob fails after the picture was stored: the picture goes again.
    failing.failPresets = PresetStoreKind::image;
    writeSettings(xml(fullSettings()));
    ASSERT_EQ(convert(failing), Outcome::partlyStored);
    EXPECT_EQ(imageRows(), 0);
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
    EXPECT_EQ(imageRows(), 1);
}

TEST_F(OldSettingsConversionTest, InstalledFontsAreFoundByNameAndPostScriptName) {
    auto regular = OldVersionConverter::lookUpInstalledFont("Helvetica Neue");
    ASSERT_TRUE(regular);
    EXPECT_EQ(regular->family, "Helvetica Neue");
    EXPECT_EQ(regular->style, "Regular");
    auto bold = OldVersionConverter::lookUpInstalledFont("HelveticaNeue-Bold");
    ASSERT_TRUE(bold);
    EXPECT_EQ(bold->family, "Helvetica Neue");
    EXPECT_EQ(bold->style, "Bold");
    EXPECT_FALSE(OldVersionConverter::lookUpInstalledFont("NoSuchFont-Heavy"));
}

} // namespace
} // namespace fen

#include "storage/FenDatabaseManager.h"

#include "StoreTestSupport.h"
#include "storage/CoreDataBase.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using test::ScopedStore;
using M = FenDatabaseManager;

TextSettings textSettings(std::int64_t opacity) {
    return {.position = Positions::topright, .opacity = opacity, .isWatermarkInBackground = true};
}

ImageSettings imageSettings(const Url& picture, std::int64_t size) {
    return {.imageURL = picture, .position = Positions::middle, .sizeopacity = {size}};
}

// The titles of listed presets, each of which must have an upper-case UUID and no picture.
std::vector<std::string> titles(const std::vector<PresetItem>& items) {
    for (const auto& item : items) {
        EXPECT_TRUE(test::isUpperCaseUuid(item.id)) << item.id;
        EXPECT_FALSE(item.image);
    }
    return test::pluck(items, &PresetItem::title);
}

TEST(FenDatabaseManagerPresets, TextPresetsSaveListInOrderLoadAndDelete) {
    ScopedStore s;
    EXPECT_TRUE(M::listTextPresetItems().empty());
    double before = Date::now().unixSeconds();
    ASSERT_TRUE(M::saveTextPreset("Draft", {"DRAFT", "COPY"}, textSettings(40)));
    ASSERT_TRUE(M::saveTextPreset("Draft", {"SECOND"}, textSettings(50)));
    ASSERT_TRUE(M::saveTextPreset("Other", {}, textSettings(60)));
    std::vector<PresetItem> items = M::listTextPresetItems();
    EXPECT_EQ(titles(items), (std::vector<std::string>{"Draft", "Draft", "Other"}));
    EXPECT_NE(items[0].id, items[1].id);
    EXPECT_EQ(M::loadTextPreset(items[1].id), (M::TextPresetContent{{"SECOND"}, textSettings(50)}));
    // Text presets are read only through loadTextPreset.
    EXPECT_FALSE(M::loadPreset(PresetStoreKind::text, items[1].id));
    EXPECT_FALSE(M::loadTextPreset(newUuidString()));
    // Deleting leaves lastSaved as it was.
    auto lastSaved = [] {
        return std::get<Presets<TextPreset>>(M::fetchPresets(PresetStoreKind::text)).lastSaved;
    };
    double saved = lastSaved();
    EXPECT_GE(saved, before);
    M::deletePreset(PresetStoreKind::text, items[0].id);
    EXPECT_EQ(lastSaved(), saved);
    // An unknown identifier changes nothing; nothing stored stays nothing stored.
    std::optional<std::string> blob = s.store().loadPresetsData(PresetStoreKind::text);
    M::deletePreset(PresetStoreKind::text, newUuidString());
    M::deletePreset(PresetStoreKind::stamp, newUuidString());
    EXPECT_EQ(s.store().loadPresetsData(PresetStoreKind::text), blob);
    EXPECT_FALSE(s.store().loadPresetsData(PresetStoreKind::stamp));
    EXPECT_EQ(test::pluck(M::listTextPresetItems(), &PresetItem::id),
              (std::vector<std::string>{items[1].id, items[2].id}));
}

TEST(FenDatabaseManagerPresets, ImagePresetKeepsItsPictureByIdentifier) {
    ScopedStore s;
    std::string pdf = "%PDF-1.4\nlogo\n%%EOF\n";
    test::writeFile(s.dir() / "logo.pdf", pdf);
    test::writeFile(s.dir() / "photo.png", "\x89PNG photo");
    ASSERT_TRUE(M::saveImagePreset("Logo", imageSettings(Url::fileURL(s.dir() / "logo.pdf"), 30)));
    ASSERT_TRUE(
        M::saveImagePreset("Photo", imageSettings(Url::fileURL(s.dir() / "photo.png"), 80)));
    Json stored = json::parse(*s.store().loadPresetsData(PresetStoreKind::image));
    ASSERT_EQ(stored["presets"].size(), 2u);
    std::string imageID = stored["presets"][0]["imageID"];
    EXPECT_TRUE(test::isUpperCaseUuid(imageID)) << imageID;
    EXPECT_FALSE(stored["presets"][0]["preset"].contains("imageURL"));
    EXPECT_EQ(s.column("SELECT imageID FROM DBImageStorage ORDER BY rowid").at(0), imageID);
    // Each load writes the picture to a temporary file of its own, named by the "%PDF" test.
    std::vector<PresetItem> items = M::listImagePresetItems();
    EXPECT_EQ(titles(items), (std::vector<std::string>{"Logo", "Photo"}));
    auto first = M::loadPreset(PresetStoreKind::image, items[0].id);
    auto second = M::loadPreset(PresetStoreKind::image, items[0].id);
    ASSERT_TRUE(first && second);
    const ImageSettings& a = std::get<ImageSettings>(*first);
    const ImageSettings& b = std::get<ImageSettings>(*second);
    ASSERT_TRUE(a.imageURL && b.imageURL);
    EXPECT_NE(*a.imageURL, *b.imageURL);
    EXPECT_EQ(a, imageSettings(*a.imageURL, 30));
    EXPECT_EQ(a.imageURL->lastPathComponent(), "image.pdf");
    EXPECT_EQ(test::readFile(a.imageURL->path()), pdf);
    EXPECT_EQ(test::readFile(b.imageURL->path()), pdf);
    // Deleting a preset removes its picture only.
    M::deletePreset(PresetStoreKind::image, items[0].id);
    EXPECT_EQ(titles(M::listImagePresetItems()), std::vector<std::string>{"Photo"});
    EXPECT_EQ(s.count("DBImageStorage"), 1);
    EXPECT_NE(s.column("SELECT imageID FROM DBImageStorage").at(0), imageID);
    EXPECT_TRUE(M::loadPreset(PresetStoreKind::image, items[1].id));
}

// Two stored presets of one kind that share an identifier (an older version's store, a copy
// merged by hand): loading it gives the first.
TEST(FenDatabaseManagerPresets, SharedIdentifierLoadsTheFirstPreset) {
    ScopedStore s;
    ASSERT_TRUE(M::saveTextPreset("First", {"ONE"}, textSettings(10)));
    ASSERT_TRUE(M::saveTextPreset("Second", {"TWO"}, textSettings(20)));
    ASSERT_TRUE(M::saveStampPreset("First", {.position = Positions::topleft}));
    ASSERT_TRUE(M::saveStampPreset("Second", {.position = Positions::bottomright}));
    ASSERT_TRUE(M::savePageNumberPreset("First", {.position = Positions::topleft}));
    ASSERT_TRUE(M::savePageNumberPreset("Second", {.position = Positions::bottomright}));
    // The second preset of each kind takes the first one's identifier.
    auto shareIdentifier = [&](PresetStoreKind kind) {
        Json stored = json::parse(*s.store().loadPresetsData(kind));
        stored["presets"][1]["id"] = stored["presets"][0]["id"];
        EXPECT_TRUE(s.store().savePresetsData(stored.dump(), kind));
        return stored["presets"][0]["id"].get<std::string>();
    };
    std::string text = shareIdentifier(PresetStoreKind::text);
    EXPECT_EQ(M::loadTextPreset(text), (M::TextPresetContent{{"ONE"}, textSettings(10)}));
    std::string stamp = shareIdentifier(PresetStoreKind::stamp);
    auto stampPreset = M::loadPreset(PresetStoreKind::stamp, stamp);
    ASSERT_TRUE(stampPreset);
    EXPECT_EQ(std::get<StampSettings>(*stampPreset).position, Positions::topleft);
    std::string number = shareIdentifier(PresetStoreKind::pageNumber);
    auto numberPreset = M::loadPreset(PresetStoreKind::pageNumber, number);
    ASSERT_TRUE(numberPreset);
    EXPECT_EQ(std::get<PageNumberSettings>(*numberPreset).position, Positions::topleft);
}

// A store whose preset documents cannot be written (a full disk, a lock held too long).
class FailingPresetStore : public CoreDataBase {
public:
    using CoreDataBase::CoreDataBase;
    bool changePresetsData(PresetStoreKind, const BlobEditor&) override { return false; }
};

TEST(FenDatabaseManagerPresets, ImagePresetWithoutItsPictureIsNeitherSavedNorLoaded) {
    ScopedStore s;
    EXPECT_FALSE(M::saveImagePreset("No picture", ImageSettings{}));
    EXPECT_FALSE(
        M::saveImagePreset("Missing", imageSettings(Url::fileURL(s.dir() / "gone.png"), 10)));
    EXPECT_FALSE(s.store().loadPresetsData(PresetStoreKind::image));
    EXPECT_EQ(s.count("DBImageStorage"), 0);
    test::writeFile(s.dir() / "p.png", "png");
    ASSERT_TRUE(M::saveImagePreset("P", imageSettings(Url::fileURL(s.dir() / "p.png"), 10)));
    s.store().deleteAllRecords("DBImageStorage");
    std::vector<PresetItem> items = M::listImagePresetItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_FALSE(M::loadPreset(PresetStoreKind::image, items[0].id));
    // The picture of a preset whose document could not be written is removed again.
    s.install<FailingPresetStore>();
    EXPECT_FALSE(M::saveImagePreset("P", imageSettings(Url::fileURL(s.dir() / "p.png"), 10)));
    EXPECT_EQ(s.count("DBImageStorage"), 0);
}

TEST(FenDatabaseManagerPresets, UndecodableBlobIsKeptAsideReportedAndThenTheKindWorks) {
    ScopedStore s;
    // Valid JSON, but a text preset without "textList": the whole blob is unreadable.
    std::string unreadable = R"({"lastSaved":1,"presets":[{"id":"A","name":"n","preset":{}}]})";
    ASSERT_TRUE(s.store().savePresetsData(unreadable, PresetStoreKind::text));
    EXPECT_TRUE(M::listTextPresetItems().empty());
    EXPECT_FALSE(M::loadTextPreset("A"));
    // Deleting does not replace it.
    M::deletePreset(PresetStoreKind::text, "A");
    EXPECT_EQ(s.store().loadPresetsData(PresetStoreKind::text), unreadable);
    std::string err =
        test::loggedBy([] { ASSERT_TRUE(M::saveTextPreset("New", {"T"}, textSettings(10))); });
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    std::vector<CoreDataBase::PreservedBlob> kept = s.store().preservedBlobs();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].entity, "DBTextPresets");
    EXPECT_EQ(kept[0].data, unreadable);
    // The same bytes again are replaced without being kept twice, and nothing more is said.
    ASSERT_TRUE(s.store().savePresetsData(unreadable, PresetStoreKind::text));
    EXPECT_EQ(
        test::loggedBy([] { ASSERT_TRUE(M::saveTextPreset("Third", {"V"}, textSettings(30))); }),
        "");
    EXPECT_EQ(s.store().preservedBlobs().size(), 1u);
    EXPECT_EQ(titles(M::listTextPresetItems()), std::vector<std::string>{"Third"});
}

} // namespace
} // namespace fen

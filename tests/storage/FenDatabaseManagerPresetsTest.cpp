#include "storage/FenDatabaseManager.h"

#include "StoreTestSupport.h"
#include "storage/CoreDataBase.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace fen {
namespace {

using test::ScopedStore;
using M = FenDatabaseManager;

TextSettings textSettings(std::int64_t opacity) {
    TextSettings s;
    s.position = Positions::topright;
    s.opacity = opacity;
    s.isWatermarkInBackground = true;
    return s;
}

StampSettings stampSettings(const std::string& text) {
    StampSettings s;
    s.stampTextColor = StampTextColor{text, gfx::Color{1, 0, 0, 1}};
    s.position = Positions::bottomleft;
    s.sizeopacity.size = 70;
    return s;
}

PageNumberSettings pageNumberSettings(const std::string& format) {
    PageNumberSettings s;
    s.numberTextColor = StampTextColor{format, gfx::Color{0, 0, 1, 1}};
    s.position = Positions::bottomcenter;
    return s;
}

ImageSettings imageSettings(const Url& picture, std::int64_t size) {
    ImageSettings s;
    s.imageURL = picture;
    s.position = Positions::middle;
    s.sizeopacity.size = size;
    return s;
}

std::vector<std::string> titles(const std::vector<PresetItem>& items) {
    std::vector<std::string> out;
    for (const auto& item : items) {
        out.push_back(item.title);
        EXPECT_TRUE(isUuidString(item.id) && item.id == [&] {
            std::string upper = item.id;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            return upper;
        }()) << item.id;
        EXPECT_FALSE(item.image);
    }
    return out;
}

TEST(FenDatabaseManagerPresets, EmptyStoreListsNothingAndTheFirstSaveMakesTheBlob) {
    ScopedStore s;
    EXPECT_TRUE(M::listTextPresetItems().empty());
    EXPECT_TRUE(M::listImagePresetItems().empty());
    EXPECT_TRUE(M::listStampPresetItems().empty());
    EXPECT_TRUE(M::listPageNumberPresetItems().empty());
    EXPECT_EQ(
        std::get<Presets<ImagePreset>>(M::fetchPresets(PresetStoreKind::image)).presets.size(), 0u);

    double before = Date::now().unixSeconds();
    ASSERT_TRUE(M::saveStampPreset("Paid", stampSettings("PAID")));
    Json stored = json::parse(*s.store().loadPresetsData(PresetStoreKind::stamp));
    ASSERT_EQ(stored["presets"].size(), 1u);
    EXPECT_EQ(stored["presets"][0]["name"], "Paid");
    EXPECT_GE(stored["lastSaved"].get<double>(), before);
    EXPECT_EQ(s.count("DBStampPresets"), 1);
    EXPECT_FALSE(s.store().loadPresetsData(PresetStoreKind::text));
}

TEST(FenDatabaseManagerPresets, TextPresetsSaveListLoadAndDelete) {
    ScopedStore s;
    ASSERT_TRUE(M::saveTextPreset("Draft", {"DRAFT", "COPY"}, textSettings(40)));
    ASSERT_TRUE(M::saveTextPreset("Draft", {"SECOND"}, textSettings(50)));
    ASSERT_TRUE(M::saveTextPreset("Other", {}, textSettings(60)));

    std::vector<PresetItem> items = M::listTextPresetItems();
    EXPECT_EQ(titles(items), (std::vector<std::string>{"Draft", "Draft", "Other"}));
    EXPECT_NE(items[0].id, items[1].id);

    auto loaded = M::loadTextPreset(items[1].id);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->first, std::vector<std::string>{"SECOND"});
    EXPECT_EQ(loaded->second, textSettings(50));
    // Text presets are read only through loadTextPreset.
    EXPECT_FALSE(M::loadPreset(PresetStoreKind::text, items[1].id));
    EXPECT_FALSE(M::loadTextPreset(newUuidString()));

    double lastSaved =
        std::get<Presets<TextPreset>>(M::fetchPresets(PresetStoreKind::text)).lastSaved;
    M::deletePreset(PresetStoreKind::text, items[0].id);
    auto after = std::get<Presets<TextPreset>>(M::fetchPresets(PresetStoreKind::text));
    EXPECT_EQ(after.lastSaved, lastSaved);
    EXPECT_EQ(titles(M::listTextPresetItems()), (std::vector<std::string>{"Draft", "Other"}));
    EXPECT_EQ(M::listTextPresetItems()[0].id, items[1].id);
}

TEST(FenDatabaseManagerPresets, StampAndPageNumberPresetsSaveListLoadAndDelete) {
    ScopedStore s;
    ASSERT_TRUE(M::saveStampPreset("A", stampSettings("PAID")));
    ASSERT_TRUE(M::saveStampPreset("B", stampSettings("DRAFT")));
    ASSERT_TRUE(M::savePageNumberPreset("P", pageNumberSettings("#currentPage of #totalPages")));

    std::vector<PresetItem> stamps = M::listStampPresetItems();
    EXPECT_EQ(titles(stamps), (std::vector<std::string>{"A", "B"}));
    auto stamp = M::loadPreset(PresetStoreKind::stamp, stamps[1].id);
    ASSERT_TRUE(stamp && std::holds_alternative<StampSettings>(*stamp));
    EXPECT_EQ(std::get<StampSettings>(*stamp), stampSettings("DRAFT"));
    // An identifier of another kind finds nothing.
    EXPECT_FALSE(M::loadPreset(PresetStoreKind::pageNumber, stamps[1].id));

    std::vector<PresetItem> numbers = M::listPageNumberPresetItems();
    ASSERT_EQ(titles(numbers), std::vector<std::string>{"P"});
    auto number = M::loadPreset(PresetStoreKind::pageNumber, numbers[0].id);
    ASSERT_TRUE(number);
    EXPECT_EQ(std::get<PageNumberSettings>(*number),
              pageNumberSettings("#currentPage of #totalPages"));

    M::deletePreset(PresetStoreKind::stamp, stamps[0].id);
    EXPECT_EQ(titles(M::listStampPresetItems()), std::vector<std::string>{"B"});
    M::deletePreset(PresetStoreKind::pageNumber, numbers[0].id);
    EXPECT_TRUE(M::listPageNumberPresetItems().empty());
    EXPECT_FALSE(M::loadPreset(PresetStoreKind::pageNumber, numbers[0].id));
}

TEST(FenDatabaseManagerPresets, DeletingAnUnknownIdentifierLeavesTheBlobUnchanged) {
    ScopedStore s;
    ASSERT_TRUE(M::saveStampPreset("A", stampSettings("PAID")));
    std::optional<std::string> before = s.store().loadPresetsData(PresetStoreKind::stamp);
    M::deletePreset(PresetStoreKind::stamp, newUuidString());
    M::deletePreset(PresetStoreKind::stamp, "");
    EXPECT_EQ(s.store().loadPresetsData(PresetStoreKind::stamp), before);
    // Nothing stored stays nothing stored.
    M::deletePreset(PresetStoreKind::text, newUuidString());
    EXPECT_FALSE(s.store().loadPresetsData(PresetStoreKind::text));
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
    EXPECT_TRUE(isUuidString(imageID));
    EXPECT_EQ(imageID, [&] {
        std::string upper = imageID;
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return upper;
    }());
    EXPECT_FALSE(stored["presets"][0]["preset"].contains("imageURL"));
    EXPECT_FALSE(stored["presets"][1]["preset"].contains("imageURL"));
    EXPECT_EQ(s.column("SELECT imageID FROM DBImageStorage ORDER BY rowid").at(0), imageID);

    std::vector<PresetItem> items = M::listImagePresetItems();
    EXPECT_EQ(titles(items), (std::vector<std::string>{"Logo", "Photo"}));
    auto first = M::loadPreset(PresetStoreKind::image, items[0].id);
    auto second = M::loadPreset(PresetStoreKind::image, items[0].id);
    ASSERT_TRUE(first && second);
    const ImageSettings& a = std::get<ImageSettings>(*first);
    const ImageSettings& b = std::get<ImageSettings>(*second);
    ASSERT_TRUE(a.imageURL && b.imageURL);
    EXPECT_NE(*a.imageURL, *b.imageURL);
    EXPECT_EQ(a.imageURL->lastPathComponent(), "image.pdf");
    EXPECT_EQ(test::readFile(a.imageURL->path()), pdf);
    EXPECT_EQ(test::readFile(b.imageURL->path()), pdf);
    ImageSettings expected = imageSettings(*a.imageURL, 30);
    EXPECT_EQ(a, expected);

    auto photo = M::loadPreset(PresetStoreKind::image, items[1].id);
    ASSERT_TRUE(photo);
    EXPECT_EQ(std::get<ImageSettings>(*photo).imageURL->lastPathComponent(), "image");

    M::deletePreset(PresetStoreKind::image, items[0].id);
    EXPECT_EQ(titles(M::listImagePresetItems()), std::vector<std::string>{"Photo"});
    EXPECT_EQ(s.count("DBImageStorage"), 1);
    EXPECT_NE(s.column("SELECT imageID FROM DBImageStorage").at(0), imageID);
    EXPECT_TRUE(M::loadPreset(PresetStoreKind::image, items[1].id));
}

TEST(FenDatabaseManagerPresets, ImagePresetWithoutAReadablePictureIsNotSaved) {
    ScopedStore s;
    ImageSettings none = imageSettings(Url::fileURL(s.dir() / "x"), 10);
    none.imageURL.reset();
    EXPECT_FALSE(M::saveImagePreset("No picture", none));
    EXPECT_FALSE(
        M::saveImagePreset("Missing", imageSettings(Url::fileURL(s.dir() / "gone.png"), 10)));
    EXPECT_TRUE(M::listImagePresetItems().empty());
    EXPECT_FALSE(s.store().loadPresetsData(PresetStoreKind::image));
    EXPECT_EQ(s.count("DBImageStorage"), 0);
}

TEST(FenDatabaseManagerPresets, ImagePresetWhosePictureIsGoneLoadsNothing) {
    ScopedStore s;
    test::writeFile(s.dir() / "p.png", "png");
    ASSERT_TRUE(M::saveImagePreset("P", imageSettings(Url::fileURL(s.dir() / "p.png"), 10)));
    s.store().deleteAllRecords("DBImageStorage");
    std::vector<PresetItem> items = M::listImagePresetItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_FALSE(M::loadPreset(PresetStoreKind::image, items[0].id));
}

// A store whose preset documents cannot be written (a full disk, a lock held too long).
class FailingPresetStore : public CoreDataBase {
public:
    using CoreDataBase::CoreDataBase;
    bool changePresetsData(PresetStoreKind, const BlobEditor&) override { return false; }
};

TEST(FenDatabaseManagerPresets, PictureOfAPresetThatFailedIsRemovedAgain) {
    test::TempDir dir;
    auto store = std::make_shared<FailingPresetStore>(
        PersistenceController(StoreLocation{dir / "FenmoorData.sqlite"}));
    CoreDataBase::setShared(store);
    test::writeFile(dir / "p.png", "png");
    EXPECT_FALSE(M::saveImagePreset("P", imageSettings(Url::fileURL(dir / "p.png"), 10)));
    store::Database db(dir / "FenmoorData.sqlite", store::OpenMode::readOnly);
    store::Statement count = db.prepare("SELECT count(*) FROM DBImageStorage");
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.columnInt64(0), 0);
    CoreDataBase::setShared(nullptr);
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

    testing::internal::CaptureStderr();
    ASSERT_TRUE(M::saveTextPreset("New", {"T"}, textSettings(10)));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("DBTextPresets"), std::string::npos) << err;

    std::vector<CoreDataBase::PreservedBlob> kept = s.store().preservedBlobs();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].entity, "DBTextPresets");
    EXPECT_EQ(kept[0].data, unreadable);

    testing::internal::CaptureStderr();
    ASSERT_TRUE(M::saveTextPreset("Second", {"U"}, textSettings(20)));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(titles(M::listTextPresetItems()), (std::vector<std::string>{"New", "Second"}));
    EXPECT_EQ(s.store().preservedBlobs().size(), 1u);
}

TEST(FenDatabaseManagerPresets, ReadOnlyStoreListsAndLoadsButSavesNothing) {
    ScopedStore s;
    ASSERT_TRUE(M::saveStampPreset("A", stampSettings("PAID")));
    CoreDataBase::setShared(
        std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{s.file(), true})));
    std::vector<PresetItem> items = M::listStampPresetItems();
    ASSERT_EQ(titles(items), std::vector<std::string>{"A"});
    EXPECT_TRUE(M::loadPreset(PresetStoreKind::stamp, items[0].id));
    EXPECT_FALSE(M::saveStampPreset("B", stampSettings("B")));
    M::deletePreset(PresetStoreKind::stamp, items[0].id);
    EXPECT_EQ(M::listStampPresetItems().size(), 1u);
}

TEST(FenDatabaseManagerPresets, TwoProcessesSavingTheSameKindAtOnceLoseNeitherSave) {
    ScopedStore s;
    constexpr int kSaves = 40;
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (const char* writer : {"A", "B"}) {
        pid_t pid = fork();
        if (pid == 0) {
            close(gate[1]);
            char c;
            while (read(gate[0], &c, 1) > 0) {
            }
            CoreDataBase::setShared(
                std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{s.file()})));
            bool ok = true;
            for (int i = 0; i < kSaves; ++i) {
                ok = M::saveStampPreset(std::string(writer) + std::to_string(i),
                                        stampSettings(writer)) &&
                     ok;
            }
            _exit(ok ? 0 : 1);
        }
        ASSERT_GT(pid, 0);
        children.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::vector<std::string> names = titles(M::listStampPresetItems());
    ASSERT_EQ(names.size(), 2u * kSaves);
    int nextA = 0, nextB = 0;
    for (const std::string& name : names) {
        int& next = name[0] == 'A' ? nextA : nextB;
        EXPECT_EQ(name.substr(1), std::to_string(next++));
    }
    EXPECT_EQ(nextA, kSaves);
    EXPECT_EQ(nextB, kSaves);
}

} // namespace
} // namespace fen

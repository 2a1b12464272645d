// The saved-presets sheet and the name alert without a widget: titles, the stored presets of each
// kind, the requests that opening, deleting and saving post to their window.
#include "panels/PresetSheetLogic.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Uuid.h"
#include "storage/FenDatabaseManager.h"

#include <gtest/gtest.h>

#include <any>
#include <string>
#include <vector>

namespace fen {
namespace {

// The preset requests posted to one window, as "load:ID", "delete:ID" or "save:NAME".
struct Requests {
    explicit Requests(const std::string& documentID) {
        auto& centre = NotificationCenter::defaultCenter();
        for (const std::string base : {"load", "delete"}) {
            tokens.push_back(centre.addObserver(
                (base == "load" ? kRequestToLoadPreset : kRequestToDeletePreset) + documentID,
                [this, base](const Notification& n) {
                    const auto& object =
                        std::any_cast<const PresetLoadNotificationObject&>(n.object);
                    kinds.push_back(object.presetList);
                    posted.push_back(base + ":" + object.id);
                }));
        }
        tokens.push_back(
            centre.addObserver(kRequestToSavePreset + documentID, [this](const Notification& n) {
                const auto& object = std::any_cast<const PresetSaveNotificationObject&>(n.object);
                kinds.push_back(object.presetList);
                posted.push_back("save:" + object.name);
            }));
    }
    std::vector<std::string> posted;
    std::vector<PresetsList> kinds;
    std::vector<ObserverToken> tokens;
};

std::vector<PresetItem> rows(std::initializer_list<const char*> ids) {
    std::vector<PresetItem> result;
    for (const char* id : ids) {
        result.push_back(PresetItem{id, std::string("Preset ") + id, std::nullopt});
    }
    return result;
}

TEST(PresetSheetLogic, TitlesOfEachKind) {
    struct Case {
        PresetsList kind;
        const char* sheet;
        const char* alert;
    };
    for (const Case& c :
         {Case{PresetsList::text, "Text Watermarks Presets", "Text Watermark Preset"},
          Case{PresetsList::image, "Image Watermarks Presets", "Image Watermark Preset"},
          Case{PresetsList::stamp, "Stamp Watermarks Presets", "Stamp Watermark Preset"},
          Case{PresetsList::pagenumber, "Page Number Watermarks Presets",
               "Page Number Watermark Preset"}}) {
        EXPECT_STREQ(PresetSheetLogic::sheetTitle(c.kind), c.sheet);
        EXPECT_STREQ(PresetSheetLogic::alertTitle(c.kind), c.alert);
    }
}

TEST(PresetSheetLogic, TheNameIsTakenAsTypedAndAnEmptyOneIsUntitled) {
    const std::string window = newUuidString();
    Requests requests(window);
    PresetSheetLogic::save(PresetsList::stamp, "", window);
    PresetSheetLogic::save(PresetsList::stamp, "  ", window);
    PresetSheetLogic::save(PresetsList::stamp, "Mine", window);
    PresetSheetLogic::save(PresetsList::stamp, "Mine", newUuidString());
    EXPECT_EQ(requests.posted,
              (std::vector<std::string>{"save:Untitled Preset", "save:  ", "save:Mine"}));
    EXPECT_EQ(requests.kinds.back(), PresetsList::stamp);
}

TEST(PresetSheetLogic, OpenNeedsASelectionAndPostsOneLoad) {
    const std::string window = newUuidString();
    Requests requests(window);
    PresetSheetLogic sheet = PresetSheetLogic::forWindow(PresetsList::image, window);
    PresetSheetLogic listed(rows({"a", "b"}), nullptr, nullptr);
    EXPECT_FALSE(listed.isOpenEnabled());
    EXPECT_FALSE(sheet.openSelected());
    sheet.select("b");
    EXPECT_TRUE(sheet.isOpenEnabled());
    EXPECT_TRUE(sheet.openSelected());
    EXPECT_EQ(requests.posted, (std::vector<std::string>{"load:b"}));
    EXPECT_EQ(requests.kinds, (std::vector<PresetsList>{PresetsList::image}));
}

TEST(PresetSheetLogic, DeletingPostsRemovesTheRowAndClearsTheSelection) {
    std::vector<std::string> deleted;
    PresetSheetLogic sheet(rows({"a", "b", "c"}), nullptr,
                           [&](const std::string& id) { deleted.push_back(id); });
    EXPECT_FALSE(sheet.deleteSelected()) << "no selection";
    sheet.select("zzz");
    EXPECT_FALSE(sheet.deleteSelected()) << "a selection no row has";
    sheet.select("b");
    ASSERT_TRUE(sheet.deleteSelected());
    EXPECT_FALSE(sheet.selectedItem());
    sheet.select("a");
    ASSERT_TRUE(sheet.deleteRow(1));
    EXPECT_FALSE(sheet.selectedItem()) << "a row's delete clears any selection";
    EXPECT_FALSE(sheet.deleteRow(5));
    EXPECT_EQ(deleted, (std::vector<std::string>{"b", "c"}));
    ASSERT_EQ(sheet.items().size(), 1u);
    EXPECT_EQ(sheet.items().front().id, "a");
}

TEST(PresetSheetLogic, EachKindListsOnlyItsOwnStoredPresetsOldestFirst) {
    const std::string tag = newUuidString();
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("text 1 " + tag, {"A"}, TextSettings{}));
    ASSERT_TRUE(FenDatabaseManager::saveStampPreset("stamp " + tag, StampSettings{}));
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("text 2 " + tag, {}, TextSettings{}));
    ASSERT_TRUE(FenDatabaseManager::savePageNumberPreset("number " + tag, PageNumberSettings{}));
    auto titles = [&](PresetsList kind) {
        std::vector<std::string> result;
        for (const PresetItem& item : PresetSheetLogic::storedItems(kind)) {
            if (item.title.find(tag) != std::string::npos) {
                result.push_back(item.title.substr(0, item.title.size() - tag.size() - 1));
            }
        }
        return result;
    };
    EXPECT_EQ(titles(PresetsList::text), (std::vector<std::string>{"text 1", "text 2"}));
    EXPECT_EQ(titles(PresetsList::stamp), (std::vector<std::string>{"stamp"}));
    EXPECT_EQ(titles(PresetsList::pagenumber), (std::vector<std::string>{"number"}));
    EXPECT_TRUE(titles(PresetsList::image).empty());
}

} // namespace
} // namespace fen

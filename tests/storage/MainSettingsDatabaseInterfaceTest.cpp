#include "storage/MainSettingsDatabaseInterface.h"
#include "storage/StoreQueue.h"

#include "StoreTestSupport.h"
#include "storage/FenDatabaseManager.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using M = FenDatabaseManager;

// A window's listener over a model with settings of every kind, and the answers it posts.
struct Window {
    explicit Window(std::optional<std::string> id) {
        model->processorID = std::move(id);
        listener.model = model;
        listener.subscribe();
        answers = NotificationCenter::defaultCenter().addObserver(
            kRequestUpdateWithSavedSettings + model->processorID.value_or(""),
            [this](const Notification& note) { received.push_back(note.object); });
    }
    std::string id() const { return model->processorID.value_or(""); }
    std::shared_ptr<FenWatermarkModel> model = std::make_shared<FenWatermarkModel>();
    MainSettingsDatabaseInterface listener;
    ObserverToken answers;
    std::vector<std::any> received;
};

StampSettings stamp(const std::string& text) {
    return {.stampTextColor = StampTextColor{text, gfx::Color{0, 1, 0, 1}}};
}

ImageSettings picture(const test::ScopedStore& s) {
    test::writeFile(s.dir() / "logo.png", "png bytes");
    return {.imageURL = Url::fileURL(s.dir() / "logo.png")};
}

TEST(MainSettingsDatabaseInterface, SavesTheModelsSettingsOfTheRequestedKindAndDeletes) {
    test::ScopedStore s;
    Window w(newUuidString());
    postSavePresetRequest(PresetsList::stamp, "Nothing yet", w.id());
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
    EXPECT_TRUE(M::listStampPresetItems().empty());
    w.model->stampConf = stamp("PAID");
    postSavePresetRequest(PresetsList::stamp, "Paid", w.id());
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
    std::vector<PresetItem> items = M::listStampPresetItems();
    ASSERT_EQ(test::pluck(items, &PresetItem::title), std::vector<std::string>{"Paid"});
    EXPECT_EQ(M::loadPreset(PresetStoreKind::stamp, items[0].id), M::PresetSettings{stamp("PAID")});
    w.model->textConf = TextSettings{};
    w.model->textConf->opacity = 35;
    w.model->listOfTextItems = {"One", "Two", "Three"};
    postSavePresetRequest(PresetsList::text, "Texts", w.id());
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
    std::vector<PresetItem> texts = M::listTextPresetItems();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(M::loadTextPreset(texts[0].id),
              (M::TextPresetContent{{"One", "Two", "Three"}, *w.model->textConf}));
    w.model->imageConf = picture(s);
    postSavePresetRequest(PresetsList::image, "Logo", w.id());
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
    EXPECT_EQ(M::listImagePresetItems().size(), 1u);
    // A delete is done without an answer.
    postDeletePresetRequest(PresetsList::stamp, items[0].id, w.id());
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
    EXPECT_TRUE(M::listStampPresetItems().empty());
    EXPECT_TRUE(w.received.empty());
}

TEST(MainSettingsDatabaseInterface, AnswersLoadsWithTheSettingsOrWithNoObject) {
    test::ScopedStore s;
    Window w(newUuidString());
    ASSERT_TRUE(M::saveStampPreset("S", stamp("DRAFT")));
    ASSERT_TRUE(M::saveTextPreset("T", {"a", "b"}, TextSettings{}));
    ASSERT_TRUE(M::savePageNumberPreset("P", FenWatermarkModel::defaultPageNumberSettings()));
    ImageSettings image = picture(s);
    ASSERT_TRUE(M::saveImagePreset("I", image));
    postLoadPresetRequest(PresetsList::stamp, M::listStampPresetItems()[0].id, w.id());
    postLoadPresetRequest(PresetsList::text, M::listTextPresetItems()[0].id, w.id());
    postLoadPresetRequest(PresetsList::pagenumber, M::listPageNumberPresetItems()[0].id, w.id());
    postLoadPresetRequest(PresetsList::image, M::listImagePresetItems()[0].id, w.id());
    postLoadPresetRequest(PresetsList::stamp, newUuidString(), w.id());
    // A text preset's identifier asked for as a stamp finds nothing.
    postLoadPresetRequest(PresetsList::stamp, M::listTextPresetItems()[0].id, w.id());
    // The picture of an image preset is gone: nothing either.
    s.store().deleteAllRecords("DBImageStorage");
    postLoadPresetRequest(PresetsList::image, M::listImagePresetItems()[0].id, w.id());
    ASSERT_EQ(w.received.size(), 7u);
    EXPECT_EQ(std::any_cast<StampSettings>(w.received[0]), stamp("DRAFT"));
    EXPECT_EQ(std::any_cast<M::TextPresetContent>(w.received[1]).first,
              (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(std::any_cast<PageNumberSettings>(w.received[2]),
              FenWatermarkModel::defaultPageNumberSettings());
    auto loaded = std::any_cast<ImageSettings>(w.received[3]);
    ASSERT_TRUE(loaded.imageURL);
    EXPECT_NE(*loaded.imageURL, *image.imageURL);
    EXPECT_EQ(test::readFile(loaded.imageURL->path()), "png bytes");
    for (size_t i = 4; i < 7; ++i) {
        EXPECT_FALSE(w.received[i].has_value()) << i;
    }
}

TEST(MainSettingsDatabaseInterface, HearsOnlyItsOwnWindowAndTheRightObjects) {
    test::ScopedStore s;
    Window mine(newUuidString());
    Window other(newUuidString());
    mine.model->stampConf = stamp("MINE");
    ASSERT_TRUE(M::saveStampPreset("A", stamp("A")));
    std::string id = M::listStampPresetItems()[0].id;
    postLoadPresetRequest(PresetsList::stamp, id, other.id());
    EXPECT_TRUE(mine.received.empty());
    EXPECT_EQ(other.received.size(), 1u);
    postSavePresetRequest(PresetsList::stamp, "From other", other.id());
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
    EXPECT_EQ(M::listStampPresetItems().size(), 1u); // the other window has no stamp settings
    // A save object under the load name, and a load object under the save name, are ignored.
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.post(kRequestToLoadPreset + mine.id(),
                PresetSaveNotificationObject{PresetsList::stamp, "x"});
    center.post(kRequestToSavePreset + mine.id(),
                PresetLoadNotificationObject{PresetsList::stamp, id});
    center.post(kRequestToDeletePreset + mine.id(), std::string(id));
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
    EXPECT_TRUE(mine.received.empty());
    EXPECT_EQ(M::listStampPresetItems().size(), 1u);
}

TEST(MainSettingsDatabaseInterface, SubscriptionsUseTheBareNamesWithoutIdentifierAndEndWithIt) {
    test::ScopedStore s;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    {
        Window w(std::nullopt);
        for (const char* name :
             {kRequestToSavePreset, kRequestToLoadPreset, kRequestToDeletePreset}) {
            EXPECT_EQ(center.observerCount(name), 1u) << name;
        }
        postLoadPresetRequest(PresetsList::image, "none", "");
        ASSERT_EQ(w.received.size(), 1u);
        EXPECT_FALSE(w.received[0].has_value());
    }
    std::string id = newUuidString();
    {
        Window w(id);
        w.listener.subscribe(); // subscribing again replaces, never doubles
        EXPECT_EQ(center.observerCount(kRequestToSavePreset + id), 1u);
    }
    for (const char* name : {kRequestToSavePreset, kRequestToLoadPreset, kRequestToDeletePreset}) {
        EXPECT_EQ(center.observerCount(name + id), 0u) << name;
        EXPECT_EQ(center.observerCount(name), 0u) << name;
    }
}

} // namespace
} // namespace fen

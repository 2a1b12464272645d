#include "storage/MainSettingsDatabaseInterface.h"

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
    StampSettings s;
    s.stampTextColor = StampTextColor{text, gfx::Color{0, 1, 0, 1}};
    return s;
}

TEST(MainSettingsDatabaseInterface, SavesTheModelsSettingsOfTheRequestedKind) {
    test::ScopedStore s;
    Window w(newUuidString());
    postSavePresetRequest(PresetsList::stamp, "Nothing yet", w.id());
    EXPECT_TRUE(M::listStampPresetItems().empty());

    w.model->stampConf = stamp("PAID");
    postSavePresetRequest(PresetsList::stamp, "Paid", w.id());
    std::vector<PresetItem> items = M::listStampPresetItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].title, "Paid");
    EXPECT_EQ(std::get<StampSettings>(*M::loadPreset(PresetStoreKind::stamp, items[0].id)),
              stamp("PAID"));

    TextSettings text;
    text.opacity = 35;
    w.model->textConf = text;
    w.model->listOfTextItems = {"One", "Two", "Three"};
    postSavePresetRequest(PresetsList::text, "Texts", w.id());
    std::vector<PresetItem> texts = M::listTextPresetItems();
    ASSERT_EQ(texts.size(), 1u);
    auto content = M::loadTextPreset(texts[0].id);
    ASSERT_TRUE(content);
    EXPECT_EQ(content->first, (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_EQ(content->second, text);

    w.model->otherConf = FenWatermarkModel::defaultPageNumberSettings();
    postSavePresetRequest(PresetsList::pagenumber, "Numbers", w.id());
    EXPECT_EQ(M::listPageNumberPresetItems().size(), 1u);

    test::writeFile(s.dir() / "logo.png", "png bytes");
    ImageSettings image;
    image.imageURL = Url::fileURL(s.dir() / "logo.png");
    w.model->imageConf = image;
    postSavePresetRequest(PresetsList::image, "Logo", w.id());
    EXPECT_EQ(M::listImagePresetItems().size(), 1u);
}

TEST(MainSettingsDatabaseInterface, AnswersLoadsWithTheSettingsOrWithNoObject) {
    test::ScopedStore s;
    Window w(newUuidString());
    ASSERT_TRUE(M::saveStampPreset("S", stamp("DRAFT")));
    ASSERT_TRUE(M::saveTextPreset("T", {"a", "b"}, TextSettings{}));
    ASSERT_TRUE(M::savePageNumberPreset("P", FenWatermarkModel::defaultPageNumberSettings()));
    test::writeFile(s.dir() / "logo.png", "png bytes");
    ImageSettings image;
    image.imageURL = Url::fileURL(s.dir() / "logo.png");
    ASSERT_TRUE(M::saveImagePreset("I", image));

    postLoadPresetRequest(PresetsList::stamp, M::listStampPresetItems()[0].id, w.id());
    postLoadPresetRequest(PresetsList::text, M::listTextPresetItems()[0].id, w.id());
    postLoadPresetRequest(PresetsList::pagenumber, M::listPageNumberPresetItems()[0].id, w.id());
    postLoadPresetRequest(PresetsList::image, M::listImagePresetItems()[0].id, w.id());
    postLoadPresetRequest(PresetsList::stamp, newUuidString(), w.id());
    // A text preset's identifier asked for as a stamp finds nothing.
    postLoadPresetRequest(PresetsList::stamp, M::listTextPresetItems()[0].id, w.id());

    ASSERT_EQ(w.received.size(), 6u);
    EXPECT_EQ(std::any_cast<StampSettings>(w.received[0]), stamp("DRAFT"));
    auto text = std::any_cast<M::TextPresetContent>(w.received[1]);
    EXPECT_EQ(text.first, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(std::any_cast<PageNumberSettings>(w.received[2]),
              FenWatermarkModel::defaultPageNumberSettings());
    auto loaded = std::any_cast<ImageSettings>(w.received[3]);
    ASSERT_TRUE(loaded.imageURL);
    EXPECT_NE(*loaded.imageURL, *image.imageURL);
    EXPECT_EQ(test::readFile(loaded.imageURL->path()), "png bytes");
    EXPECT_FALSE(w.received[4].has_value());
    EXPECT_FALSE(w.received[5].has_value());

    // The picture of an image preset is gone: the answer has no object.
    s.store().deleteAllRecords("DBImageStorage");
    postLoadPresetRequest(PresetsList::image, M::listImagePresetItems()[0].id, w.id());
    ASSERT_EQ(w.received.size(), 7u);
    EXPECT_FALSE(w.received[6].has_value());
}

TEST(MainSettingsDatabaseInterface, DeletesOnRequest) {
    test::ScopedStore s;
    Window w(newUuidString());
    ASSERT_TRUE(M::saveStampPreset("A", stamp("A")));
    ASSERT_TRUE(M::saveStampPreset("B", stamp("B")));
    postDeletePresetRequest(PresetsList::stamp, M::listStampPresetItems()[0].id, w.id());
    std::vector<PresetItem> left = M::listStampPresetItems();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].title, "B");
    EXPECT_TRUE(w.received.empty());
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
    EXPECT_EQ(M::listStampPresetItems().size(), 1u); // the other window has no stamp settings

    // A save object under the load name, and a load object under the save name, are ignored.
    NotificationCenter::defaultCenter().post(kRequestToLoadPreset + mine.id(),
                                             PresetSaveNotificationObject{PresetsList::stamp, "x"});
    NotificationCenter::defaultCenter().post(kRequestToSavePreset + mine.id(),
                                             PresetLoadNotificationObject{PresetsList::stamp, id});
    NotificationCenter::defaultCenter().post(kRequestToDeletePreset + mine.id(), std::string(id));
    EXPECT_TRUE(mine.received.empty());
    EXPECT_EQ(M::listStampPresetItems().size(), 1u);
}

TEST(MainSettingsDatabaseInterface, ModelWithoutIdentifierUsesTheBareNames) {
    test::ScopedStore s;
    Window w(std::nullopt);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    EXPECT_EQ(center.observerCount("RequestToSavePreset_"), 1u);
    EXPECT_EQ(center.observerCount("RequestToLoadPreset_"), 1u);
    EXPECT_EQ(center.observerCount("RequestToDeletePreset_"), 1u);
    postLoadPresetRequest(PresetsList::image, "none", "");
    ASSERT_EQ(w.received.size(), 1u);
    EXPECT_FALSE(w.received[0].has_value());
}

TEST(MainSettingsDatabaseInterface, SubscriptionsEndWithTheListener) {
    test::ScopedStore s;
    std::string id = newUuidString();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    {
        auto w = std::make_unique<Window>(id);
        w->listener.subscribe(); // subscribing again replaces, never doubles
        EXPECT_EQ(center.observerCount(kRequestToSavePreset + id), 1u);
    }
    EXPECT_EQ(center.observerCount(kRequestToSavePreset + id), 0u);
    EXPECT_EQ(center.observerCount(kRequestToLoadPreset + id), 0u);
    EXPECT_EQ(center.observerCount(kRequestToDeletePreset + id), 0u);
}

} // namespace
} // namespace fen

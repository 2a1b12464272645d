// The settings tab's rules, without a widget: what reaches the window's model and when a change
// signal is sent.
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "storage/FenDatabaseManager.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

struct Tab {
    std::shared_ptr<NotificationDocumentCenter> channel =
        NotificationDocumentCenter::makeDocumentNotificationCenter();
    std::shared_ptr<FenWatermarkModel> model = std::make_shared<FenWatermarkModel>();
    SettingsTabController controller{channel, model};
    int sends = 0;
    Connection counting = model->watermarkModelPublisher.connect([this] { ++sends; });
};

PageNumberConfiguration range(const Tab& tab) {
    return tab.controller.otherConf().pagenumberConf;
}

TEST(SettingsTabController, AppearingWritesTheRecordsAndFollowsThePageCount) {
    Tab tab;
    tab.controller.onAppear();
    EXPECT_EQ(tab.model->processorID, tab.channel->id());
    EXPECT_EQ(tab.model->textConf, SettingsTabController::defaultTextSettings());
    EXPECT_EQ(tab.model->imageConf, SettingsTabController::defaultImageSettings());
    EXPECT_EQ(tab.model->stampConf, SettingsTabController::defaultStampSettings());
    // Before the window knows the document, the count is 1 and so is the range.
    EXPECT_EQ(range(tab), (PageNumberConfiguration{1, 1, 1, 1}));
    EXPECT_EQ(tab.model->otherConf, tab.controller.otherConf());
    EXPECT_EQ(tab.sends, 4);
    EXPECT_EQ(tab.controller.tabSelection(), 0);

    // The window sets the count of a 5-page document and sends one value.
    tab.model->maxNumberOfPage = 5;
    tab.model->watermarkModelPublisher.emit();
    EXPECT_EQ(range(tab), (PageNumberConfiguration{1, 5, 1, 5}));
    EXPECT_EQ(tab.model->otherConf->pagenumberConf, range(tab));

    // Later, only the end and the maximum follow; the start and the first number stay.
    PageNumberSettings other = tab.controller.otherConf();
    other.pagenumberConf.fromPage = 2;
    other.pagenumberConf.startAt = 3;
    tab.controller.setOtherConf(other);
    tab.model->maxNumberOfPage = 7;
    tab.model->watermarkModelPublisher.emit();
    EXPECT_EQ(range(tab), (PageNumberConfiguration{2, 7, 3, 7}));
}

TEST(SettingsTabController, OnlyChangedValuesReachTheModelEachWithOneSignal) {
    Tab tab;
    tab.controller.onAppear();
    const int before = tab.sends;
    tab.controller.setTextConf(tab.controller.textConf());
    tab.controller.setImageConf(tab.controller.imageConf());
    tab.controller.setStampConf(tab.controller.stampConf());
    tab.controller.setOtherConf(tab.controller.otherConf());
    tab.controller.setSelectedTextItem(std::nullopt);
    EXPECT_EQ(tab.sends, before);

    TextSettings text = tab.controller.textConf();
    text.opacity = 90;
    tab.controller.setTextConf(text);
    tab.controller.setSelectedTextItem(TextListItem{"1", "Draft"});
    EXPECT_EQ(tab.sends, before + 2);
    EXPECT_EQ(tab.model->textConf->opacity, 90);
    EXPECT_EQ(tab.model->selectedTextItem->text, "Draft");
}

TEST(SettingsTabController, SavedSettingsAreAppliedByKind) {
    PageNumberSettings tenPages = SettingsTabController::defaultPageNumberSettings();
    tenPages.pagenumberConf = {2, 10, 8, 10};
    StampSettings stamp = SettingsTabController::defaultStampSettings();
    stamp.stampTextColor->stampText = "APPROVED";
    ImageSettings image = SettingsTabController::defaultImageSettings();
    image.sizeopacity.size = 30;
    TextSettings text = SettingsTabController::defaultTextSettings();
    text.opacity = 75;

    struct Case {
        const char* what;
        std::int64_t pageCount;
        std::any object;
        std::function<bool(const Tab&)> applied;
    };
    const std::vector<Case> cases = {
        {"a page-number preset of 10 pages in a 5-page document", 5, tenPages,
         [](const Tab& t) {
             return range(t) == PageNumberConfiguration{2, 10, 5, 5};
         }},
        {"the same preset in a 10-page document", 10, tenPages,
         [](const Tab& t) {
             return range(t) == PageNumberConfiguration{2, 10, 8, 10};
         }},
        {"a stamp", 5, stamp, [&](const Tab& t) { return t.model->stampConf == stamp; }},
        {"an image", 5, image, [&](const Tab& t) { return t.model->imageConf == image; }},
        {"texts with their settings", 5, FenDatabaseManager::TextPresetContent{{"A", "B"}, text},
         [&](const Tab& t) { return t.model->textConf == text; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Tab tab;
        tab.model->maxNumberOfPage = c.pageCount;
        tab.controller.onAppear();
        const int before = tab.sends;
        tab.channel->post("RequestUpdateWithSavedSettings", c.object);
        EXPECT_EQ(tab.sends, before + 1);
        EXPECT_TRUE(c.applied(tab));
    }

    // Anything else, or nothing, changes nothing.
    Tab tab;
    tab.controller.onAppear();
    const int before = tab.sends;
    tab.channel->post("RequestUpdateWithSavedSettings", std::string("stamp"));
    tab.channel->post("RequestUpdateWithSavedSettings");
    EXPECT_EQ(tab.sends, before);
}

TEST(SettingsTabController, TextListAndDroppedImageNotifications) {
    Tab tab;
    tab.controller.onAppear();
    const int before = tab.sends;
    tab.channel->post("TextItemsDidChange", std::vector<std::string>{"One", "Two"});
    EXPECT_EQ(tab.model->listOfTextItems, (std::vector<std::string>{"One", "Two"}));
    tab.channel->post("TextItemsDidChange");
    EXPECT_TRUE(tab.model->listOfTextItems.empty());
    EXPECT_EQ(tab.sends, before);

    // Another window's drop does not switch this tab.
    NotificationDocumentCenter other;
    other.post("ExternalImageURL", Url::fileURL("/tmp/image"));
    EXPECT_EQ(tab.controller.tabSelection(), 0);
    tab.channel->post("ExternalImageURL", Url::fileURL("/tmp/image"));
    EXPECT_EQ(tab.controller.tabSelection(), 1);
}

} // namespace
} // namespace fen

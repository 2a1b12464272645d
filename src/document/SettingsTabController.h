#pragma once

#include "controls/MainSettingsTab.h"
#include "model/FenWatermarkModel.h"
#include "model/ImageSettings.h"
#include "model/PageNumberSettings.h"
#include "model/StampSettings.h"
#include "model/TextListItem.h"
#include "model/TextSettings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Signal.h"

#include <any>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen {

class MainSettingsDatabaseInterface;
class NotificationDocumentCenter;

// The rules of a window's settings tab, without a widget: it owns the editable copies of the
// four settings records and the selected text, and writes every change of one of them into the
// window's model followed by one value on watermarkModelPublisher, so the pages redraw. Setting a
// value equal to the one held changes nothing (a preset load of an unchanged record writes
// nothing). It follows the document's page count into the page-number range, answers the dropped
// image, the changed text list and the loaded preset of its window, and runs the window's preset
// request listener. GUI thread only.
class SettingsTabController {
public:
    SettingsTabController(std::shared_ptr<NotificationDocumentCenter> channel,
                          std::shared_ptr<FenWatermarkModel> model);
    ~SettingsTabController();
    SettingsTabController(const SettingsTabController&) = delete;
    SettingsTabController& operator=(const SettingsTabController&) = delete;

    // The records the tab starts from.
    static TextSettings defaultTextSettings();
    static ImageSettings defaultImageSettings();
    static StampSettings defaultStampSettings();
    static PageNumberSettings defaultPageNumberSettings();
    // Text, Image, Stamp and Other, each with a fresh identifier.
    static std::vector<MainSettingsTab> defaultTabs();

    // The tab came on screen: stamps the model with the window's identifier, starts the preset
    // listener and the three notifications, writes the text, image and stamp records into the
    // model (one value sent after each) and sets the page range to the model's page count.
    void onAppear();

    const std::vector<MainSettingsTab>& tabs() const { return tabs_; }
    int tabSelection() const { return tabSelection_; }
    // Whether the text list is collapsed (its title row alone shows).
    bool isCollapsed() const { return isCollapsed_; }
    const std::optional<TextListItem>& selectedTextItem() const { return selectedTextItem_; }
    const TextSettings& textConf() const { return textConf_; }
    const ImageSettings& imageConf() const { return imageConf_; }
    const StampSettings& stampConf() const { return stampConf_; }
    const PageNumberSettings& otherConf() const { return otherConf_; }

    // The user's (or a panel's) changes; each runs its change handler when the value differs.
    void setTabSelection(int selection);
    void setIsCollapsed(bool isCollapsed);
    void setSelectedTextItem(const std::optional<TextListItem>& item);
    void setTextConf(const TextSettings& settings);
    void setImageConf(const ImageSettings& settings);
    void setStampConf(const StampSettings& settings);
    void setOtherConf(const PageNumberSettings& settings);

    // The handlers of the window's notifications (public for the host and tests).
    void onExternalImageURL();
    void onTextItemsDidChange(const std::any& object);
    // A loaded preset: stamp, image, page-number settings or a pair of texts and text settings;
    // anything else changes nothing. A page-number preset of another page count keeps its end,
    // takes a start no later than the count and the count as its maximum.
    void applySavedSettings(const std::any& object);

    // Announces that the tab's state changed (selection or a record), for the widget to show.
    Signal<> changed;

private:
    void send();
    void followPageCount();

    std::shared_ptr<NotificationDocumentCenter> channel_;
    std::shared_ptr<FenWatermarkModel> model_;
    std::unique_ptr<MainSettingsDatabaseInterface> interfaceDBModel_;
    std::vector<MainSettingsTab> tabs_;
    bool isCollapsed_ = false;
    int tabSelection_ = 0;
    std::optional<TextListItem> selectedTextItem_;
    TextSettings textConf_;
    ImageSettings imageConf_;
    StampSettings stampConf_;
    PageNumberSettings otherConf_;
    std::int64_t seenPageCount_;
    Connection modelConnection_;
    std::vector<ObserverToken> observers_;
};

} // namespace fen

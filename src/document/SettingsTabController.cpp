#include "document/SettingsTabController.h"

#include "export/NotificationDocumentCenter.h"
#include "model/StartOfToday.h"
#include "platform/foundation/Uuid.h"
#include "storage/FenDatabaseManager.h"
#include "storage/MainSettingsDatabaseInterface.h"

#include <algorithm>

namespace fen {

SettingsTabController::SettingsTabController(std::shared_ptr<NotificationDocumentCenter> channel,
                                             std::shared_ptr<FenWatermarkModel> model)
    : channel_(std::move(channel)), model_(std::move(model)),
      interfaceDBModel_(std::make_unique<MainSettingsDatabaseInterface>()), tabs_(defaultTabs()),
      textConf_(defaultTextSettings()), imageConf_(defaultImageSettings()),
      stampConf_(defaultStampSettings()), otherConf_(defaultPageNumberSettings()),
      seenPageCount_(model_->maxNumberOfPage) {
    // The page count is not announced on its own: it is looked at on every change value, the
    // window sending one after setting it.
    modelConnection_ = model_->watermarkModelPublisher.connect([this] { followPageCount(); });
}

SettingsTabController::~SettingsTabController() = default;

TextSettings SettingsTabController::defaultTextSettings() {
    TextSettings settings;
    settings.position = Positions::diagonal;
    settings.font = FontSetting{FontSetting::defaultFamilyName(), FontSetting::defaultStyle(), 48};
    settings.colorOutline = ColorOutlineSetting{gfx::Color{0, 0, 0, 1}, false};
    settings.opacity = 40;
    settings.isWatermarkInBackground = false;
    return settings;
}

ImageSettings SettingsTabController::defaultImageSettings() {
    ImageSettings settings;
    settings.position = Positions::topleft;
    settings.angle = WMAngles::d0;
    settings.sizeopacity = SizeOpacitySetting{100, 100};
    settings.distanceToEdge = DistanceToEdgeSetting{0, 0};
    return settings;
}

StampSettings SettingsTabController::defaultStampSettings() {
    StampSettings settings;
    settings.stampTextColor = StampTextColor{std::nullopt, gfx::Color{1, 0, 0, 1}};
    settings.position = Positions::topleft;
    settings.angle = WMAngles::auto_;
    settings.sizeopacity = SizeOpacitySetting{50, 50};
    settings.datename = DateAndName{false, false, "", false, startOfToday(), true};
    return settings;
}

PageNumberSettings SettingsTabController::defaultPageNumberSettings() {
    // The tab starts from the same page numbers as a fresh model.
    return FenWatermarkModel::defaultPageNumberSettings();
}

std::vector<MainSettingsTab> SettingsTabController::defaultTabs() {
    return {{newUuidString(), "Text", "character.textbox", 0},
            {newUuidString(), "Image", "photo", 1},
            {newUuidString(), "Stamp", "checkmark.rectangle", 2},
            {newUuidString(), "Other", "123.rectangle", 3}};
}

void SettingsTabController::onAppear() {
    model_->processorID = channel_->id();
    interfaceDBModel_->model = model_;
    interfaceDBModel_->subscribe();
    observers_.clear();
    observers_.push_back(channel_->addObserver(
        "ExternalImageURL", [this](const Notification&) { onExternalImageURL(); }));
    observers_.push_back(channel_->addObserver(
        "TextItemsDidChange", [this](const Notification& n) { onTextItemsDidChange(n.object); }));
    observers_.push_back(
        channel_->addObserver("RequestUpdateWithSavedSettings",
                              [this](const Notification& n) { applySavedSettings(n.object); }));

    setSelectedTextItem(std::nullopt);
    model_->textConf = textConf_;
    send();
    model_->imageConf = imageConf_;
    send();
    model_->stampConf = stampConf_;
    send();
    const std::int64_t count = model_->maxNumberOfPage;
    seenPageCount_ = count;
    PageNumberSettings other = otherConf_;
    other.pagenumberConf = PageNumberConfiguration{1, count, 1, count};
    setOtherConf(other);
}

void SettingsTabController::send() {
    model_->watermarkModelPublisher.emit();
}

void SettingsTabController::followPageCount() {
    const std::int64_t count = model_->maxNumberOfPage;
    if (count == seenPageCount_) {
        return;
    }
    seenPageCount_ = count;
    PageNumberSettings other = otherConf_;
    other.pagenumberConf.toPage = count;
    other.pagenumberConf.maxPage = count;
    setOtherConf(other);
}

void SettingsTabController::setTabSelection(int selection) {
    if (selection == tabSelection_) {
        return;
    }
    tabSelection_ = selection;
    changed.emit();
}

void SettingsTabController::setIsCollapsed(bool isCollapsed) {
    if (isCollapsed == isCollapsed_) {
        return;
    }
    isCollapsed_ = isCollapsed;
    changed.emit();
}

void SettingsTabController::setSelectedTextItem(const std::optional<TextListItem>& item) {
    if (item == selectedTextItem_) {
        return;
    }
    selectedTextItem_ = item;
    model_->selectedTextItem = item;
    send();
    changed.emit();
}

void SettingsTabController::setTextConf(const TextSettings& settings) {
    if (settings == textConf_) {
        return;
    }
    textConf_ = settings;
    model_->textConf = settings;
    send();
    changed.emit();
}

void SettingsTabController::setImageConf(const ImageSettings& settings) {
    if (settings == imageConf_) {
        return;
    }
    imageConf_ = settings;
    model_->imageConf = settings;
    send();
    changed.emit();
}

void SettingsTabController::setStampConf(const StampSettings& settings) {
    if (settings == stampConf_) {
        return;
    }
    stampConf_ = settings;
    model_->stampConf = settings;
    send();
    changed.emit();
}

void SettingsTabController::setOtherConf(const PageNumberSettings& settings) {
    if (settings == otherConf_) {
        return;
    }
    otherConf_ = settings;
    model_->otherConf = settings;
    send();
    changed.emit();
}

void SettingsTabController::onExternalImageURL() {
    setTabSelection(1);
}

void SettingsTabController::onTextItemsDidChange(const std::any& object) {
    const auto* texts = std::any_cast<std::vector<std::string>>(&object);
    model_->listOfTextItems = texts ? *texts : std::vector<std::string>{};
}

void SettingsTabController::applySavedSettings(const std::any& object) {
    if (const auto* stamp = std::any_cast<StampSettings>(&object)) {
        setStampConf(*stamp);
    } else if (const auto* image = std::any_cast<ImageSettings>(&object)) {
        setImageConf(*image);
    } else if (const auto* other = std::any_cast<PageNumberSettings>(&object)) {
        PageNumberSettings loaded = *other;
        const std::int64_t count = model_->maxNumberOfPage;
        PageNumberConfiguration& range = loaded.pagenumberConf;
        if (range.maxPage != count) {
            range.toPage = std::max(range.toPage, count);
            range.startAt = std::min(range.startAt, count);
            range.maxPage = count;
        }
        setOtherConf(loaded);
    } else if (const auto* text = std::any_cast<FenDatabaseManager::TextPresetContent>(&object)) {
        setTextConf(text->second);
    }
}

} // namespace fen

#include "document/MainSettingsTabView.h"
#include "controls/CustomSegmentedPickerView.h"
#include "document/LockLayer.h"
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "model/PresetRequests.h"
#include "panels/EnterNewNameModifier.h"
#include "panels/PanelImage.h"
#include "panels/PanelOther.h"
#include "panels/PanelStamp.h"
#include "panels/PanelText.h"
#include "panels/WatermarkListContainerView.h"
#include "storage/MainSettingsImageHolder.h"
#include "ui/Observe.h"
#include "ui/Sheets.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QApplication>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace fen {

MainSettingsTabView::MainSettingsTabView(std::shared_ptr<NotificationDocumentCenter> channel,
                                         std::shared_ptr<FenWatermarkModel> model, QWidget* parent)
    : QWidget(parent),
      controller_(std::make_unique<SettingsTabController>(channel, std::move(model))),
      imageHolder_(std::make_shared<MainSettingsImageHolder>()), channel_(channel) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    body_ = new QWidget(this);
    outer->addWidget(body_);
    auto* layout = new QVBoxLayout(body_);
    layout->setContentsMargins(0, 0, 0, 0);

    textListSlot_ = new QWidget(body_);
    auto* slotLayout = new QVBoxLayout(textListSlot_);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    textList_ = new WatermarkListContainerView(channel, textListSlot_);
    slotLayout->addWidget(textList_);
    connect(textList_, &WatermarkListContainerView::isCollapsedEdited, this,
            [this](bool isCollapsed) { controller_->setIsCollapsed(isCollapsed); });
    connect(textList_, &WatermarkListContainerView::selectedItemEdited, this,
            [this](const std::optional<TextListItem>& item) {
                controller_->setSelectedTextItem(item);
            });
    layout->addWidget(textListSlot_);

    tabRow_ =
        new CustomSegmentedPickerView(controller_->tabSelection(), controller_->tabs(), body_);
    connect(tabRow_, &CustomSegmentedPickerView::selectionEdited, this,
            [this](int selection) { controller_->setTabSelection(selection); });
    layout->addWidget(tabRow_);

    // One page per tab, in the order of the tabs; the panels fill them. Each page is named by its
    // tab's title, which tells the panels' same-named controls apart in the accessibility tree.
    panels_ = new QStackedWidget(body_);
    for (const MainSettingsTab& tab : controller_->tabs()) {
        auto* page = new QWidget(panels_);
        page->setObjectName(QString::fromStdString(tab.title));
        page->setAccessibleName(ui::tr(tab.title));
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        panels_->addWidget(page);
    }
    panelText_ = new PanelText(controller_->textConf(), imageHolder_,
                               TextPanelLogic::defaultPositionItems(), true, panels_->widget(0));
    panels_->widget(0)->layout()->addWidget(panelText_);
    connect(panelText_, &PanelText::valueEdited, this,
            [this](const TextSettings& settings) { controller_->setTextConf(settings); });
    layout->addWidget(panels_, 1);

    // A picture dropped on the page area before the image panel was first shown builds it with
    // that picture; once built, the panel takes such pictures itself.
    ui::observe(this, channel_->scopedName("ExternalImageURL_"), [this](const Notification& note) {
        if (!imagePanel_) {
            ensureImagePanel();
            const auto* url = std::any_cast<Url>(&note.object);
            imagePanel_->takeExternalImage(url ? std::optional<Url>(*url) : std::nullopt);
        }
    });

    // A preset that could not be stored is told over the window, whichever panel asked.
    ui::observe(this, channel_->scopedName(kPresetCouldNotBeSaved),
                [this](const Notification& note) {
                    if (const auto* failure = std::any_cast<PresetSaveFailure>(&note.object)) {
                        saveFailureAlert_ =
                            EnterNewNameModifier::presentSaveFailure(window(), channel_, *failure);
                    }
                });

    // A delete that could not be done is told over the presets sheet it came from while that
    // shows (it then shows what the store holds), else over the window.
    ui::observe(
        this, channel_->scopedName(kPresetCouldNotBeDeleted), [this](const Notification& note) {
            if (const auto* failure = std::any_cast<PresetDeleteFailure>(&note.object)) {
                QWidget* over = QApplication::activeModalWidget();
                if (!over || over->parentWidget() == nullptr ||
                    over->parentWidget()->window() != window()) {
                    over = window();
                }
                deleteFailureAlert_ =
                    ui::presentNotice(over, QString::fromStdString(failure->message()), QString());
            }
        });

    lock_ = new LockLayer(body_);
    controllerConnection_ = controller_->changed.connect([this] { refresh(); });
    refresh();
}

MainSettingsTabView::~MainSettingsTabView() = default;

void MainSettingsTabView::setIsDisable(bool disabled) {
    lock_->setLocked(disabled);
}

bool MainSettingsTabView::isDisable() const {
    return lock_->isLocked();
}

void MainSettingsTabView::refresh() {
    // The stamp, image and page-number panels, which edit the tab's records of their kind, are
    // built when their pages first show.
    QWidget* page = panels_->widget(controller_->tabSelection());
    const QString shown = page ? page->objectName() : QString();
    if (!stampPanel_ && shown == QLatin1String("Stamp")) {
        stampPanel_ = new PanelStamp(
            controller_->stampConf(),
            [this](const StampSettings& settings) { controller_->setStampConf(settings); },
            imageHolder_, channel_);
        page->layout()->addWidget(stampPanel_);
    }
    if (stampPanel_) {
        stampPanel_->setStampConf(controller_->stampConf());
    }
    if (!imagePanel_ && shown == QLatin1String("Image")) {
        ensureImagePanel();
    }
    if (imagePanel_) {
        imagePanel_->setImageConf(controller_->imageConf());
    }
    if (!otherPanel_ && shown == QLatin1String("Other")) {
        otherPanel_ = new PanelOther(controller_->otherConf(), imageHolder_, channel_);
        connect(
            otherPanel_, &PanelOther::valueEdited, this,
            [this](const PageNumberSettings& settings) { controller_->setOtherConf(settings); });
        page->layout()->addWidget(otherPanel_);
    }
    if (otherPanel_) {
        otherPanel_->setValue(controller_->otherConf());
    }
    textList_->setIsCollapsed(controller_->isCollapsed());
    textList_->setSelectedItem(controller_->selectedTextItem());
    panelText_->setValue(controller_->textConf());
    tabRow_->setSelection(controller_->tabSelection());
    panels_->setCurrentIndex(controller_->tabSelection());
}

void MainSettingsTabView::ensureImagePanel() {
    // Built when its page first shows (or a picture arrives for it), like the stamp panel, so
    // opening a window holds no more than the text panel.
    if (imagePanel_) {
        return;
    }
    for (int i = 0; i < panels_->count(); ++i) {
        QWidget* page = panels_->widget(i);
        if (page->objectName() == QLatin1String("Image")) {
            imagePanel_ = new PanelImage(
                channel_, controller_->imageConf(),
                [this](const ImageSettings& settings) { controller_->setImageConf(settings); },
                imageHolder_, PanelImageLogic::defaultPositionItems(), WMAngles::d0, true, {},
                page);
            page->layout()->addWidget(imagePanel_);
        }
    }
}

void MainSettingsTabView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!appeared_) {
        appeared_ = true;
        controller_->onAppear();
    }
}

void MainSettingsTabView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ui::Theme::systemBackground(palette()));
}

} // namespace fen

#pragma once

#include "platform/foundation/Signal.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <memory>

class QStackedWidget;

namespace fen {

class CustomSegmentedPickerView;
class FenWatermarkModel;
class LockLayer;
struct MainSettingsImageHolder;
class NotificationDocumentCenter;
class PanelImage;
class PanelOther;
class PanelStamp;
class PanelText;
class SettingsTabController;
class WatermarkListContainerView;

// The side panel of a document window: the text list, the row of four tabs and the panel of the
// selected tab (the four panels stay built while the tab lives). Its controller holds the four
// settings records and writes their changes into the window's model. While the document is
// locked a layer dims the whole panel and takes every click.
class MainSettingsTabView : public QWidget {
    Q_OBJECT
public:
    MainSettingsTabView(std::shared_ptr<NotificationDocumentCenter> channel,
                        std::shared_ptr<FenWatermarkModel> model, QWidget* parent = nullptr);
    ~MainSettingsTabView() override;

    void setIsDisable(bool disabled);
    bool isDisable() const;

    SettingsTabController& controller() const { return *controller_; }
    CustomSegmentedPickerView* tabRow() const { return tabRow_; }
    QStackedWidget* panels() const { return panels_; }
    // Where the text list goes, and the text list in it.
    QWidget* textListSlot() const { return textListSlot_; }
    PanelStamp* stampPanel() const { return stampPanel_; }
    // The panel on the "Image" page.
    PanelImage* imagePanel() const { return imagePanel_; }
    // The panel on the "Other" page, once that page has shown.
    PanelOther* otherPanel() const { return otherPanel_; }
    WatermarkListContainerView* textList() const { return textList_; }
    // The panel on the "Text" page.
    PanelText* panelText() const { return panelText_; }

    // The alert telling that a preset of this window could not be saved, while it shows.
    QDialog* saveFailureAlert() const { return saveFailureAlert_; }
    // The alert telling the last delete that could not be done, while it shows.
    QDialog* deleteFailureAlert() const { return deleteFailureAlert_; }

    // Shows the controller's state.
    void refresh();
    // Builds the image panel if it is not built yet.
    void ensureImagePanel();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<SettingsTabController> controller_;
    Connection controllerConnection_;
    QWidget* body_;
    QWidget* textListSlot_;
    WatermarkListContainerView* textList_;
    // The last previews of the source sections, shared by the panels for the window's life.
    std::shared_ptr<MainSettingsImageHolder> imageHolder_;
    PanelText* panelText_;
    CustomSegmentedPickerView* tabRow_;
    QStackedWidget* panels_;
    LockLayer* lock_;
    PanelStamp* stampPanel_ = nullptr;
    PanelImage* imagePanel_ = nullptr;
    PanelOther* otherPanel_ = nullptr;
    std::shared_ptr<NotificationDocumentCenter> channel_;
    bool appeared_ = false;
    QPointer<QDialog> saveFailureAlert_;
    QPointer<QDialog> deleteFailureAlert_;
};

} // namespace fen

#pragma once

#include "document/MainToolBarViewMoreButton.h"
#include "platform/foundation/Url.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>

namespace fen {

class FelDocumentViewMain;
class FenWatermarkModel;
class MainSettingsTabView;
class NotificationDocumentCenter;

// The body of a document window: the PDF area with its toolbar beside the 380-point settings
// panel (a window narrower than 700 points shows the PDF area over the panel). It owns the
// window's model and the document's locked flag, which disables the panel and the toolbar's
// buttons. It relays the application menu's export and zoom commands to its own window, scoped
// by the window's identifier, while its window is the key window: from the first report that it
// became key until it resigns.
class FenDocumentView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 380;
    static constexpr int sideBySideWidth = 700;

    FenDocumentView(std::shared_ptr<NotificationDocumentCenter> channel,
                    std::optional<std::string> filename, std::optional<Url> fileURL,
                    HorizontalSizeClass sizeClass = HorizontalSizeClass::regular,
                    QWidget* parent = nullptr);

    const std::shared_ptr<FenWatermarkModel>& model() const { return model_; }
    bool documentIsLocked() const { return documentIsLocked_; }
    void setDocumentIsLocked(bool locked);
    FelDocumentViewMain* main() const { return main_; }
    MainSettingsTabView* settingsTab() const { return tab_; }
    bool isKeyDocument() const { return isKeyDocument_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Tab follows the layout: the settings panel top to bottom, then the toolbar, then the rest
    // of the PDF area. Qt's own order is that in which widgets were made, which puts the panels
    // shown later (and their position grids) after the toolbar.
    bool focusNextPrevChild(bool next) override;

private:
    std::shared_ptr<NotificationDocumentCenter> channel_;
    std::shared_ptr<FenWatermarkModel> model_;
    bool documentIsLocked_ = false;
    bool isKeyDocument_ = false;
    QWidget* mainColumn_;
    FelDocumentViewMain* main_;
    MainSettingsTabView* tab_;
};

} // namespace fen

#include "document/FenDocumentView.h"

#include "document/FelDocumentViewMain.h"
#include "document/MainSettingsTabView.h"
#include "document/MainToolBarView.h"
#include "export/NotificationDocumentCenter.h"
#include "model/FenWatermarkModel.h"
#include "ui/FocusOrder.h"
#include "ui/KeyWindowNodifier.h"
#include "ui/Observe.h"
#include "ui/Separator.h"

#include <QHBoxLayout>

#include <algorithm>

namespace fen {

FenDocumentView::FenDocumentView(std::shared_ptr<NotificationDocumentCenter> channel,
                                 std::optional<std::string> filename, std::optional<Url> fileURL,
                                 HorizontalSizeClass sizeClass, QWidget* parent)
    : QWidget(parent), channel_(std::move(channel)), model_(std::make_shared<FenWatermarkModel>()) {
    tab_ = new MainSettingsTabView(channel_, model_, this);

    // The PDF area and the divider beside it, above the panel.
    mainColumn_ = new QWidget(this);
    auto* row = new QHBoxLayout(mainColumn_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    main_ = new FelDocumentViewMain(
        channel_, model_, std::move(filename), std::move(fileURL),
        [this](bool locked) { setDocumentIsLocked(locked); }, sizeClass, mainColumn_);
    row->addWidget(main_, 1);
    row->addWidget(new ui::Separator(Qt::Vertical, mainColumn_));
    mainColumn_->raise();

    for (const char* command :
         {"MenuReuqestExport", "MenuReuqestZoomToFit", "MenuReuqestZoomIn", "MenuReuqestZoomOut"}) {
        const std::string base = command;
        ui::observe(this, base, [this, base](const Notification&) {
            if (isKeyDocument_) {
                channel_->post(base);
            }
        });
    }
    new KeyWindowNodifier([this](bool key) { isKeyDocument_ = key; }, this);
}

void FenDocumentView::setDocumentIsLocked(bool locked) {
    documentIsLocked_ = locked;
    tab_->setIsDisable(locked);
    main_->toolBar()->setDocumentIsLocked(locked);
}

bool FenDocumentView::focusNextPrevChild(bool next) {
    std::vector<QWidget*> stops = ui::focusStopsInLayoutOrder(tab_);
    const std::vector<QWidget*> toolBar = ui::focusStopsInLayoutOrder(main_->toolBar());
    stops.insert(stops.end(), toolBar.begin(), toolBar.end());
    for (QWidget* stop : ui::focusStopsInLayoutOrder(mainColumn_)) {
        if (std::find(toolBar.begin(), toolBar.end(), stop) == toolBar.end()) {
            stops.push_back(stop);
        }
    }
    return ui::moveFocusAlong(stops, next) || QWidget::focusNextPrevChild(next);
}

void FenDocumentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int pad = width() < sideBySideWidth ? 0 : panelWidth;
    mainColumn_->setGeometry(0, 0, width() - pad, height());
    tab_->setGeometry(width() - panelWidth, 0, panelWidth, height());
}

} // namespace fen

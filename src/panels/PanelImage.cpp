#include "panels/PanelImage.h"

#include "controls/BackgroundForegroundView.h"
#include "controls/DistanceToEdgeView.h"
#include "controls/FormContainers.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/PanelSections.h"
#include "panels/SpecialAdditionalImage.h"
#include "ui/Observe.h"

#include <QVBoxLayout>

namespace fen {

PanelImage::PanelImage(std::shared_ptr<NotificationDocumentCenter> channel,
                       const ImageSettings& imageConf,
                       std::function<void(const ImageSettings&)> write,
                       std::shared_ptr<MainSettingsImageHolder> imageHolder,
                       std::vector<Positions> positionItems, WMAngles selectionAngle,
                       bool isInBackground, ImagePicker::Chooser importChooser, QWidget* parent)
    : QWidget(parent), channel_(std::move(channel)),
      logic_(std::move(write), selectionAngle, isInBackground),
      positionItems_(std::move(positionItems)) {
    // The local copies take the bound record before any control exists, so building the controls
    // writes nothing.
    logic_.load(imageConf);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    form_ = new FenForm(this);
    outer->addWidget(FenNavigationView(form_));

    source_ = new SpecialAdditionalImage(
        logic_.imageUrl(),
        [this](const std::optional<Url>& url) {
            if (!loading_) {
                logic_.setImageUrl(url);
            }
        },
        std::move(imageHolder), channel_, std::move(importChooser));
    addSourceSection(form_, source_);

    const PlacementSections placement = addPlacementSections(form_, this, logic_, positionItems_,
                                                             PanelImageLogic::angleItems(), 200);
    position_ = placement.position;
    angles_ = placement.angles;
    sizeOpacity_ = placement.sizeOpacity;

    distanceToEdge_ = new DistanceToEdgeView(logic_.distanceToEdge());
    form_->addRow(SectionModifier::apply(distanceToEdge_, QStringLiteral("Distance to Edge")));
    connect(distanceToEdge_, &DistanceToEdgeView::valueEdited, this,
            [this](const DistanceToEdgeSetting& value) { logic_.setDistanceToEdge(value); });

    layer_ = new BackgroundForegroundView(logic_.isInBackground());
    form_->addRow(SectionModifier::apply(layer_, QString()));
    connect(layer_, &BackgroundForegroundView::isInBackgroundEdited, this,
            [this](bool isInBackground) { logic_.setIsInBackground(isInBackground); });

    // A picture dropped on the window's page area, or its removal.
    if (channel_) {
        ui::observe(this, channel_->scopedName("ExternalImageURL_"),
                    [this](const Notification& note) {
                        const auto* url = std::any_cast<Url>(&note.object);
                        takeExternalImage(url ? std::optional<Url>(*url) : std::nullopt);
                    });
    }
}

void PanelImage::takeExternalImage(const std::optional<Url>& url) {
    source_->setImageUrl(url);
    logic_.setImageUrl(url);
}

void PanelImage::setImageConf(const ImageSettings& settings) {
    if (settings == logic_.bound()) {
        return;
    }
    // The whole record is applied before any control reacts; the controls' own loads write
    // nothing back.
    loading_ = true;
    logic_.load(settings);
    source_->setImageUrl(logic_.imageUrl());
    position_->setPosition(logic_.position());
    angles_->setSelectionAngle(logic_.selectionAngle());
    sizeOpacity_->setValue(logic_.sizeOpacity());
    distanceToEdge_->setValue(logic_.distanceToEdge());
    layer_->setIsInBackground(logic_.isInBackground());
    loading_ = false;
}

} // namespace fen

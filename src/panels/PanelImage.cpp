#include "panels/PanelImage.h"

#include "controls/BackgroundForegroundView.h"
#include "controls/DistanceToEdgeView.h"
#include "controls/FormContainers.h"
#include "controls/PositionSelectorView.h"
#include "controls/SlidersBlock.h"
#include "controls/WMAnglesView.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/SpecialAdditionalImage.h"
#include "ui/Observe.h"
#include "ui/Tr.h"

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
    auto* sourceSection = SectionModifier::apply(source_, QString());
    // The source row reaches 10 points further towards the leading side than the other sections.
    sourceSection->setContentsMargins(-10, 0, 0, 0);
    form_->addRow(sourceSection);

    position_ = new PositionSelectorView(logic_.position(), positionItems_);
    form_->addRow(SectionPositionModifier::apply(position_, QString()));
    connect(position_, &PositionSelectorView::positionEdited, this,
            [this](Positions position) { logic_.setPosition(position); });

    angles_ = new WMAnglesView(PanelImageLogic::angleItems(), logic_.selectionAngle());
    form_->addRow(SectionModifier::apply(angles_, QString()));
    connect(angles_, &WMAnglesView::selectionAngleEdited, this,
            [this](WMAngles angle) { logic_.setSelectionAngle(angle); });

    sizeOpacity_ = new SlidersBlockSizeOpacity(logic_.sizeOpacity(), 200);
    form_->addRow(SectionModifier::apply(sizeOpacity_, QString()));
    connect(sizeOpacity_, &SlidersBlockSizeOpacity::valueEdited, this,
            [this](const SizeOpacitySetting& value) { logic_.setSizeOpacity(value); });

    distanceToEdge_ = new DistanceToEdgeView(logic_.distanceToEdge());
    form_->addRow(SectionModifier::apply(distanceToEdge_, ui::tr("Distance to Edge")));
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

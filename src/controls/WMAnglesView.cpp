#include "controls/WMAnglesView.h"

#include "controls/ToolBarViewButton.h"
#include "ui/Tr.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>

namespace fen {

WMAnglesView::WMAnglesView(std::vector<WMAngles> angles, WMAngles selectionAngle, QWidget* parent)
    : QWidget(parent), angles_(std::move(angles)), selectionAngle_(selectionAngle) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    title_ = new QLabel(ui::tr("Angle"), this);
    row->addWidget(title_);
    row->addSpacing(8);
    row->addStretch(1);
    picker_ = new QComboBox(this);
    for (WMAngles angle : angles_) {
        picker_->addItem(ui::tr(angleLabel(angle)));
    }
    title_->setBuddy(picker_);
    PopupMenuButtonLargeModifier::apply(picker_, false);
    row->addWidget(picker_);
    setSelectionAngle(selectionAngle);
    connect(picker_, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= static_cast<int>(angles_.size())) {
            return;
        }
        const WMAngles chosen = angles_[static_cast<std::size_t>(index)];
        if (chosen == selectionAngle_) {
            return;
        }
        selectionAngle_ = chosen;
        Q_EMIT selectionAngleEdited(chosen);
    });
}

void WMAnglesView::setSelectionAngle(WMAngles angle) {
    selectionAngle_ = angle;
    const auto found = std::find(angles_.begin(), angles_.end(), angle);
    const QSignalBlocker blocker(picker_);
    picker_->setCurrentIndex(
        found == angles_.end() ? -1 : static_cast<int>(std::distance(angles_.begin(), found)));
}

} // namespace fen

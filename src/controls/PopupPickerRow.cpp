#include "controls/PopupPickerRow.h"

#include "controls/PopupPicker.h"
#include "controls/ToolBarViewButton.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace fen {

PopupPickerRow::PopupPickerRow(const QString& title, const QStringList& entries, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    title_ = new QLabel(title, this);
    row->addWidget(title_);
    row->addSpacing(8);
    row->addStretch(1);
    picker_ = new PopupPicker(this);
    picker_->addItems(entries);
    title_->setBuddy(picker_);
    PopupMenuButtonLargeModifier::apply(picker_, false);
    row->addWidget(picker_);
    showIndex(-1);
    connect(picker_, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= picker_->count() || index == shown_) {
            return;
        }
        shown_ = index;
        Q_EMIT chosen(index);
    });
}

void PopupPickerRow::showIndex(int index) {
    shown_ = index;
    const QSignalBlocker blocker(picker_);
    picker_->setCurrentIndex(index);
}

} // namespace fen

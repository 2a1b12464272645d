#include "controls/DateSelector.h"

#include "controls/DateSelectorPicker.h"
#include "controls/KvToggle.h"
#include "ui/Tr.h"

#include <QHBoxLayout>

namespace fen {

DateSelector::DateSelector(const Date& date, bool isOn, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    toggle_ = new KvToggle(QString(), isOn, this);
    toggle_->toggleSwitch()->setAccessibleName(ui::tr("Include Date"));
    row->addWidget(toggle_);
    row->addStretch(1);
    picker_ = new DateSelectorPicker(ui::tr("Date"), date, this);
    row->addWidget(picker_);
    connect(toggle_, &KvToggle::isOnEdited, this, &DateSelector::isOnEdited);
    connect(picker_, &DateSelectorPicker::dateEdited, this, &DateSelector::dateEdited);
}

void DateSelector::setDate(const Date& date) {
    picker_->setDate(date);
}

void DateSelector::setIsOn(bool isOn) {
    toggle_->setIsOn(isOn);
}

} // namespace fen

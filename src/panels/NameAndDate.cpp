#include "panels/NameAndDate.h"

#include "controls/DateSelector.h"
#include "controls/KvToggle.h"
#include "controls/NameSelector.h"
#include "panels/PanelSections.h"

#include <QVBoxLayout>

namespace fen {

NameAndDate::NameAndDate(const DateAndName& dateandname,
                         std::function<void(const DateAndName&)> write,
                         NameAndDateLogic::Clock clock, QWidget* parent)
    : QWidget(parent), logic_(std::move(write), std::move(clock)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    include_ =
        new KvToggle(QStringLiteral("Include Date & Name"), logic_.includedateandname(), this);
    column->addWidget(include_);
    name_ = new NameSelector(logic_.name(), logic_.isNameActive(), this);
    column->addWidget(name_);
    date_ = new DateSelector(logic_.date(), logic_.isDateActive(), this);
    column->addWidget(date_);

    connect(include_, &KvToggle::isOnEdited, this, [this](bool on) {
        logic_.setIncludedateandname(on);
        refresh();
        // The rows open below the switch, at the bottom of the panel: brought into view.
        if (on) {
            revealInForm(this);
        }
    });
    connect(name_, &NameSelector::textEdited, this,
            [this](const std::string& text) { logic_.setName(text); });
    connect(name_, &NameSelector::isOnEdited, this, [this](bool on) {
        logic_.setIsNameActive(on);
        refresh();
    });
    connect(date_, &DateSelector::isOnEdited, this, [this](bool on) {
        logic_.setIsDateActive(on);
        refresh();
    });
    connect(date_, &DateSelector::dateEdited, this, [this](const Date& date) {
        logic_.setDate(date);
        refresh();
    });
    logic_.load(dateandname);
    refresh();
}

void NameAndDate::setDateandname(const DateAndName& record) {
    if (record == logic_.bound()) {
        return;
    }
    logic_.load(record);
    refresh();
}

void NameAndDate::refresh() {
    include_->setIsOn(logic_.includedateandname());
    name_->setText(logic_.name());
    name_->setIsOn(logic_.isNameActive());
    date_->setIsOn(logic_.isDateActive());
    date_->setDate(logic_.date());
    name_->setVisible(logic_.includedateandname());
    date_->setVisible(logic_.includedateandname());
}

} // namespace fen

#include "controls/PagesFromToStart.h"

#include "controls/KvStepperTextfieldCombined.h"
#include "controls/PageRangeBounds.h"
#include "ui/Separator.h"
#include "ui/Tr.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace fen {

PagesFromToStart::PagesFromToStart(const PageNumberConfiguration& value, QWidget* parent)
    : QWidget(parent), record_(value), states_(value) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    from_ = addRow("From page", states_.fromPage);
    to_ = addRow("To page", states_.toPage);
    start_ = addRow("Starting from", states_.startAt);
    updateBounds();
    connect(from_, &KvStepperTextfieldCombined::valueEdited, this, [this](std::int64_t number) {
        states_.fromPage = number;
        stateChanged();
    });
    connect(to_, &KvStepperTextfieldCombined::valueEdited, this, [this](std::int64_t number) {
        states_.toPage = number;
        stateChanged();
    });
    connect(start_, &KvStepperTextfieldCombined::valueEdited, this, [this](std::int64_t number) {
        states_.startAt = number;
        stateChanged();
    });
}

KvStepperTextfieldCombined* PagesFromToStart::addRow(const char* title, std::int64_t value) {
    auto* row = new QWidget(this);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(ui::tr(title), row);
    auto* control = new KvStepperTextfieldCombined(value, "", 1, 1, 1, false, true, true, row);
    control->setAccessibleTitle(ui::tr(title));
    line->addWidget(label);
    line->addStretch(1);
    line->addWidget(control);
    auto* rows = static_cast<QVBoxLayout*>(layout());
    if (rows->count() > 0) {
        rows->addWidget(new ui::Separator(Qt::Horizontal, this));
    }
    rows->addWidget(row);
    return control;
}

void PagesFromToStart::updateBounds() {
    const PageRangeBounds bounds =
        PageRangeBounds::of(states_.fromPage, states_.toPage, states_.maxPage);
    from_->setBounds(bounds.fromMin, bounds.fromMax);
    to_->setBounds(bounds.toMin, bounds.toMax);
    start_->setBounds(bounds.startMin, bounds.startMax);
}

void PagesFromToStart::stateChanged() {
    updateBounds();
    if (states_ != record_) {
        record_ = states_;
        Q_EMIT valueEdited(record_);
    }
}

void PagesFromToStart::setValue(const PageNumberConfiguration& value) {
    record_ = value;
    states_ = value;
    from_->setValue(value.fromPage);
    to_->setValue(value.toPage);
    start_->setValue(value.startAt);
    updateBounds();
}

} // namespace fen

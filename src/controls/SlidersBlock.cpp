#include "controls/SlidersBlock.h"

#include "controls/KvStepperTextfieldCombined.h"
#include "ui/Tr.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace fen {

SlidersBlockUnit::SlidersBlockUnit(const QString& title, std::int64_t value, std::int64_t minValue,
                                   std::int64_t maxValue, const QString& unit, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* titleRow = new QHBoxLayout;
    title_ = new QLabel(ui::tr(title), this);
    titleRow->addWidget(title_);
    titleRow->addStretch(1);
    layout->addLayout(titleRow);
    auto* controlRow = new QHBoxLayout;
    controlRow->setContentsMargins(0, 4, 0, 4);
    control_ =
        new KvStepperTextfieldCombined(value, unit, minValue, maxValue, 1, true, true, true, this);
    control_->setAccessibleTitle(ui::tr(title));
    controlRow->addWidget(control_);
    layout->addLayout(controlRow);
    connect(control_, &KvStepperTextfieldCombined::valueEdited, this,
            &SlidersBlockUnit::valueEdited);
}

std::int64_t SlidersBlockUnit::value() const {
    return control_->value();
}

void SlidersBlockUnit::setValue(std::int64_t value) {
    control_->setValue(value);
}

SlidersBlockSizeOpacity::SlidersBlockSizeOpacity(const SizeOpacitySetting& value,
                                                 std::int64_t sizeMaxValue, QWidget* parent)
    : QWidget(parent), record_(value), value1_(value.size), value2_(value.opacity) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    size_ = new SlidersBlockUnit("Size", value1_, 1, sizeMaxValue, "%", this);
    layout->addWidget(size_);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);
    opacity_ = new SlidersBlockUnit("Opacity", value2_, 0, 100, "%", this);
    layout->addWidget(opacity_);

    connect(size_, &SlidersBlockUnit::valueEdited, this, [this](std::int64_t size) {
        value1_ = size;
        if (size != record_.size) {
            record_ = SizeOpacitySetting{size, value2_};
            Q_EMIT valueEdited(record_);
        }
    });
    connect(opacity_, &SlidersBlockUnit::valueEdited, this, [this](std::int64_t opacity) {
        value2_ = opacity;
        if (opacity != record_.opacity) {
            record_ = SizeOpacitySetting{value1_, opacity};
            Q_EMIT valueEdited(record_);
        }
    });
}

void SlidersBlockSizeOpacity::setValue(const SizeOpacitySetting& value) {
    record_ = value;
    if (value1_ != value.size) {
        value1_ = value.size;
        size_->setValue(value1_);
    }
    if (value2_ != value.opacity) {
        value2_ = value.opacity;
        opacity_->setValue(value2_);
    }
}

} // namespace fen

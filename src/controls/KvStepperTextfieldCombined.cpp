#include "controls/KvStepperTextfieldCombined.h"

#include "controls/StepperTextField.h"
#include "ui/Tr.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <climits>
#include <cmath>

namespace fen {

namespace {

int sliderInt(double number) {
    return static_cast<int>(std::clamp(std::trunc(number), double(INT_MIN), double(INT_MAX)));
}

} // namespace

KvStepperTextfieldCombined::KvStepperTextfieldCombined(std::int64_t value, const QString& unit,
                                                       std::int64_t minValue, std::int64_t maxValue,
                                                       std::int64_t step, bool isSliderShown,
                                                       bool isStepperShown, bool isTextFieldShown,
                                                       QWidget* parent)
    : QWidget(parent), value_(value), unit_(unit), minValue_(minValue), maxValue_(maxValue),
      step_(step) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (isSliderShown) {
        slider_ = new QSlider(Qt::Horizontal, this);
        slider_->setMinimumWidth(16);
        // Any change that the control does not make itself is the user's (a drag, a key, an
        // assistive tool's new value).
        connect(slider_, &QSlider::valueChanged, this,
                [this](int position) { model_->setValueDbl(position); });
        layout->addWidget(slider_, 1);
    }
    if (isTextFieldShown) {
        field_ = new StepperTextField(
            QString::fromStdString(numberText(value)), unit, [this] { model_->validateText(); },
            this);
        connect(field_, &StepperTextField::textEdited, this,
                [this](const QString& text) { model_->setValueText(text.toStdString()); });
        layout->addWidget(field_);
    }
    if (!isSliderShown) {
        // Without the slider, the field and the stepper sit together in the middle.
        layout->insertStretch(0, 1);
    }
    if (isStepperShown) {
        stepper_ = new KvStepper(value, minValue, maxValue, step, this);
        connect(stepper_, &KvStepper::valueEdited, this, [this](std::int64_t number) {
            value_ = number;
            resetModel(number);
            Q_EMIT valueEdited(number);
        });
        layout->addWidget(stepper_);
    }
    if (!isSliderShown) {
        layout->addStretch(1);
    }
    if (field_ && stepper_) {
        field_->lineEdit()->installEventFilter(this);
    }
    resetModel(value);
}

bool KvStepperTextfieldCombined::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !field_ || watched != field_->lineEdit()) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    switch (key->key()) {
    case Qt::Key_Up:
        stepper_->stepBy(1);
        return true;
    case Qt::Key_Down:
        stepper_->stepBy(-1);
        return true;
    case Qt::Key_PageUp:
        stepper_->stepBy(10);
        return true;
    case Qt::Key_PageDown:
        stepper_->stepBy(-10);
        return true;
    default:
        return false;
    }
}

KvStepperTextfieldCombined::~KvStepperTextfieldCombined() = default;

void KvStepperTextfieldCombined::resetModel(std::int64_t number) {
    changed_.disconnect();
    valueChanged_.disconnect();
    // An owner may answer a written number with another one while the model still announces
    // it: the replaced model is kept until the next replacement, so its announcement can end.
    retired_ = std::move(model_);
    model_ = std::make_unique<KvStepperTextfieldCombinedModel>(minValue_, maxValue_, number,
                                                               unit_.toStdString(), step_);
    changed_ = model_->changed.connect([this] { refresh(); });
    valueChanged_ =
        model_->valueChanged.connect([this](std::int64_t number) { onModelValue(number); });
    refresh();
}

void KvStepperTextfieldCombined::onModelValue(std::int64_t number) {
    if (number == value_) {
        return;
    }
    value_ = number;
    if (stepper_) {
        stepper_->setValue(number);
    }
    Q_EMIT valueEdited(number);
}

void KvStepperTextfieldCombined::setValue(std::int64_t value) {
    value_ = value;
    if (stepper_) {
        stepper_->setValue(value);
    }
    if (value != model_->value()) {
        resetModel(value);
    }
}

void KvStepperTextfieldCombined::setBounds(std::int64_t minValue, std::int64_t maxValue) {
    if (minValue == minValue_ && maxValue == maxValue_) {
        return;
    }
    minValue_ = minValue;
    maxValue_ = maxValue;
    if (stepper_) {
        stepper_->setBounds(minValue, maxValue);
    }
    resetModel(value_);
}

void KvStepperTextfieldCombined::refresh() {
    if (slider_) {
        const QSignalBlocker blocker(slider_);
        slider_->setRange(sliderInt(double(minValue_)), sliderInt(double(maxValue_)));
        // A typed number leaves the model's slider position behind; the owner's rebuild of the
        // model would put the slider on the number, and an equal number keeps the model, so the
        // slider is put there here.
        const double position = std::trunc(model_->valueDbl()) == double(model_->value())
                                    ? model_->valueDbl()
                                    : double(model_->value());
        slider_->setValue(sliderInt(position));
    }
    if (field_) {
        field_->setText(QString::fromStdString(model_->valueText()));
    }
}

void KvStepperTextfieldCombined::setAccessibleTitle(const QString& title) {
    if (slider_) {
        slider_->setAccessibleName(ui::tr("%1 slider").arg(title));
    }
    if (field_) {
        field_->setAccessibleTitle(title);
    }
    if (stepper_) {
        stepper_->increaseButton()->setAccessibleName(ui::tr("Increase %1").arg(title));
        stepper_->decreaseButton()->setAccessibleName(ui::tr("Decrease %1").arg(title));
    }
}

} // namespace fen

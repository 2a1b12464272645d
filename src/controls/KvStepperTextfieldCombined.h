#pragma once

#include "controls/KvStepperTextfieldCombinedModel.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

class QSlider;

namespace fen {

class KvStepper;
class StepperTextField;

// The combined number control: a slider, a number field with its unit and a stepper side by
// side, each shown only when its flag is set, over a KvStepperTextfieldCombinedModel. Typing and
// dragging go through the model, which lets any readable number through until the field is
// validated (Return, focus in or out); a stepper press changes the number directly. Every new
// number reaches the owner through valueEdited; setValue never emits. A number from setValue or
// from the stepper that differs from the model's rebuilds the model from it; an equal one keeps
// the typed text ("007"). The slider writes only when moved by the user or an assistive tool:
// its range clamp (a number outside the bounds is shown as it is) never writes back. In the field,
// Up and Down press the stepper's upper and lower half, and Page Up and Page Down press it ten
// times at once.
class KvStepperTextfieldCombined : public QWidget {
    Q_OBJECT
public:
    KvStepperTextfieldCombined(std::int64_t value, const QString& unit, std::int64_t minValue,
                               std::int64_t maxValue, std::int64_t step, bool isSliderShown,
                               bool isStepperShown, bool isTextFieldShown,
                               QWidget* parent = nullptr);
    ~KvStepperTextfieldCombined() override;

    std::int64_t value() const { return value_; }
    void setValue(std::int64_t value);
    // New bounds for the stepper, the slider and the next validation; the number is kept as it
    // is (it is clamped only when the text is validated) and nothing is written.
    void setBounds(std::int64_t minValue, std::int64_t maxValue);
    std::int64_t minValue() const { return minValue_; }
    std::int64_t maxValue() const { return maxValue_; }
    // Names the parts for the accessibility tree by what they set (a row's title, "Opacity"):
    // the field by the title, the slider "Opacity slider", the stepper's halves "Increase
    // Opacity" and "Decrease Opacity", so that no two controls of a page share a name.
    void setAccessibleTitle(const QString& title);

    const KvStepperTextfieldCombinedModel& model() const { return *model_; }
    QSlider* slider() const { return slider_; }
    StepperTextField* textField() const { return field_; }
    KvStepper* stepper() const { return stepper_; }

Q_SIGNALS:
    void valueEdited(std::int64_t value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void resetModel(std::int64_t number);
    void refresh();
    void onModelValue(std::int64_t number);

    std::int64_t value_;
    QString unit_;
    std::int64_t minValue_;
    std::int64_t maxValue_;
    std::int64_t step_;
    std::unique_ptr<KvStepperTextfieldCombinedModel> retired_;
    std::unique_ptr<KvStepperTextfieldCombinedModel> model_;
    Connection changed_;
    Connection valueChanged_;
    QSlider* slider_ = nullptr;
    StepperTextField* field_ = nullptr;
    KvStepper* stepper_ = nullptr;
};

} // namespace fen

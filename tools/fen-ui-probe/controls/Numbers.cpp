// Number entry: the combined number control as the font size row builds it ("stepper": field
// and stepper, 8 to 288 pt) and a titled slider row ("row": "Vertical", -100 to 100 pt). The
// owner takes each written number back, as a binding does; the state lists the writes.
#include "Probe.h"

#include "controls/KvStepperTextfieldCombined.h"
#include "controls/SlidersBlock.h"
#include "controls/StepperTextField.h"

#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include <memory>

namespace fen::probe {

namespace {

// "click:0" presses the upper half of the stepper, "click:1" the lower half; "slider:N" moves
// the slider to N as the keyboard or an assistive tool does.
std::function<bool(const QString&)> numberActions(KvStepperTextfieldCombined* control) {
    return [control](const QString& action) {
        if (action == "click:0" || action == "click:1") {
            QAbstractButton* half = action == "click:0" ? control->stepper()->increaseButton()
                                                        : control->stepper()->decreaseButton();
            QTest::mouseClick(half, Qt::LeftButton);
            return true;
        }
        if (action.startsWith("slider:") && control->slider()) {
            control->slider()->setValue(action.mid(7).toInt());
            return true;
        }
        return false;
    };
}

using Writes = std::shared_ptr<QJsonArray>;

void number(Probe& p, KvStepperTextfieldCombined* control, QWidget* shown, Writes writes) {
    QLineEdit* field = control->textField()->lineEdit();
    p.target = field;
    p.shown = shown;
    field->setFocus();
    p.act = numberActions(control);
    p.state = [control, field, writes] {
        QJsonObject state{
            {"value", qint64(control->value())}, {"text", field->text()}, {"writes", *writes}};
        if (control->slider()) {
            state["slider"] = control->slider()->value();
        }
        return state;
    };
}

void stepper(Probe& p, QWidget* host) {
    auto writes = std::make_shared<QJsonArray>();
    auto* control = new KvStepperTextfieldCombined(17, "pt", 8, 288, 1, false, true, true, host);
    control->setAccessibleTitle("Size");
    QObject::connect(control, &KvStepperTextfieldCombined::valueEdited, host,
                     [control, writes](std::int64_t value) {
                         writes->push_back(qint64(value));
                         control->setValue(value);
                     });
    number(p, control, control, writes);
}

void row(Probe& p, QWidget* host) {
    auto writes = std::make_shared<QJsonArray>();
    auto* row = new SlidersBlockUnit("Vertical", 0, -100, 100, "pt", host);
    row->setMinimumWidth(280);
    QObject::connect(row, &SlidersBlockUnit::valueEdited, host, [row, writes](std::int64_t value) {
        writes->push_back(qint64(value));
        row->setValue(value);
    });
    number(p, row->control(), row, writes);
}

const Registration numbers{
    {"stepper", stepper},
    {"row", row},
};

} // namespace

} // namespace fen::probe

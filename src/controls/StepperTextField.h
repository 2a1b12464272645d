#pragma once

#include <QAbstractButton>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class QLabel;
class QLineEdit;

namespace fen {

// The narrow number field of the combined number control: 66 points wide, text aligned to the
// trailing edge, the translated unit drawn inside the field's trailing 20 points, on the bordered
// field background. `action` runs one event-loop turn after Return and after each gain or loss
// of focus, so it sees the last edit. The field checks nothing of what is typed. setText never
// emits; textEdited follows the user's edits.
class StepperTextField : public QWidget {
    Q_OBJECT
public:
    StepperTextField(const QString& text, const QString& unit, std::function<void()> action,
                     QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    QLineEdit* lineEdit() const { return field_; }
    // Names the field for the accessibility tree, and the boxes around it too: they take the
    // focus through the field, so an assistive tool reports them focused with it.
    void setAccessibleTitle(const QString& title);
    QLabel* unitLabel() const { return unit_; }

Q_SIGNALS:
    void textEdited(const QString& text);

private:
    QLineEdit* field_;
    QLabel* unit_;
};

// One half of the stepper: a click area over the drawn chevron, a push button to the
// accessibility tree ("Increase" or "Decrease").
class KvStepperHalf : public QAbstractButton {
    Q_OBJECT
public:
    using QAbstractButton::QAbstractButton;

protected:
    void paintEvent(QPaintEvent*) override {}
};

// The compact up/down stepper, 18 points wide: two heavy chevrons over a divider on the system
// background in a rounded frame (radius 8, border primary at 0.2). The upper half adds `step`,
// the lower half takes it away; the result stays within the bounds. setValue never emits;
// valueEdited carries a press's new number when it differs.
class KvStepper : public QWidget {
    Q_OBJECT
public:
    KvStepper(std::int64_t value, std::int64_t minValue, std::int64_t maxValue, std::int64_t step,
              QWidget* parent = nullptr);

    std::int64_t value() const { return value_; }
    void setValue(std::int64_t value) { value_ = value; }
    void setBounds(std::int64_t minValue, std::int64_t maxValue) {
        minValue_ = minValue;
        maxValue_ = maxValue;
    }
    // `presses` presses at once: on the upper half when positive, the lower when negative.
    void stepBy(std::int64_t presses) { press(presses * step_); }
    QAbstractButton* increaseButton() const { return up_; }
    QAbstractButton* decreaseButton() const { return down_; }
    QSize sizeHint() const override { return QSize(18, 28); }

Q_SIGNALS:
    void valueEdited(std::int64_t value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void press(std::int64_t delta);

    std::int64_t value_;
    std::int64_t minValue_;
    std::int64_t maxValue_;
    std::int64_t step_;
    KvStepperHalf* up_;
    KvStepperHalf* down_;
};

} // namespace fen

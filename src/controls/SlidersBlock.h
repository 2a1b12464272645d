#pragma once

#include "model/SizeOpacitySetting.h"

#include <QString>
#include <QWidget>

#include <cstdint>

class QLabel;

namespace fen {

class KvStepperTextfieldCombined;

// One titled number row: the translated title on a line of its own and, under it, the combined
// slider, field and stepper (step 1, all three shown), named for the accessibility tree after
// the title (the field "Opacity", the slider "Opacity slider"). setValue never emits;
// valueEdited carries each new number.
class SlidersBlockUnit : public QWidget {
    Q_OBJECT
public:
    SlidersBlockUnit(const QString& title, std::int64_t value, std::int64_t minValue,
                     std::int64_t maxValue, const QString& unit, QWidget* parent = nullptr);

    std::int64_t value() const;
    void setValue(std::int64_t value);
    KvStepperTextfieldCombined* control() const { return control_; }
    QLabel* titleLabel() const { return title_; }

Q_SIGNALS:
    void valueEdited(std::int64_t value);

private:
    QLabel* title_;
    KvStepperTextfieldCombined* control_;
};

// The "Size" (1 to `sizeMaxValue`, percent) and "Opacity" (0 to 100, percent) rows of an image
// or stamp watermark over one SizeOpacitySetting. Each row keeps a working copy of its field of
// the record; a row's new number that the record does not hold writes the whole record once
// (valueEdited). setValue loads a record into both rows and writes nothing back, also when its
// numbers lie outside the bounds: they are shown as they are.
class SlidersBlockSizeOpacity : public QWidget {
    Q_OBJECT
public:
    SlidersBlockSizeOpacity(const SizeOpacitySetting& value, std::int64_t sizeMaxValue,
                            QWidget* parent = nullptr);

    const SizeOpacitySetting& value() const { return record_; }
    void setValue(const SizeOpacitySetting& value);
    SlidersBlockUnit* sizeRow() const { return size_; }
    SlidersBlockUnit* opacityRow() const { return opacity_; }

Q_SIGNALS:
    void valueEdited(const SizeOpacitySetting& value);

private:
    SizeOpacitySetting record_;
    std::int64_t value1_;
    std::int64_t value2_;
    SlidersBlockUnit* size_;
    SlidersBlockUnit* opacity_;
};

} // namespace fen

#pragma once

#include "model/PageNumberConfiguration.h"

#include <QWidget>

namespace fen {

class KvStepperTextfieldCombined;

// On which pages page numbers are drawn and from which number they start: the rows "From page",
// "To page" and "Starting from", each a field with its stepper, bounded by the others and by the
// document's last page (PageRangeBounds, recomputed on every change). Each row keeps a working
// copy of its field; a new number that the record does not hold writes the whole record once
// (valueEdited). setValue loads the four numbers and then the bounds and writes nothing back; a
// change of bounds never changes or writes a row's number (it is clamped only when its text is
// validated).
class PagesFromToStart : public QWidget {
    Q_OBJECT
public:
    explicit PagesFromToStart(const PageNumberConfiguration& value, QWidget* parent = nullptr);

    const PageNumberConfiguration& value() const { return record_; }
    void setValue(const PageNumberConfiguration& value);

    KvStepperTextfieldCombined* fromRow() const { return from_; }
    KvStepperTextfieldCombined* toRow() const { return to_; }
    KvStepperTextfieldCombined* startRow() const { return start_; }

Q_SIGNALS:
    void valueEdited(const PageNumberConfiguration& value);

private:
    KvStepperTextfieldCombined* addRow(const char* title, std::int64_t value);
    void updateBounds();
    void stateChanged();

    PageNumberConfiguration record_;
    // The working copies of fromPage, toPage, startAt and maxPage.
    PageNumberConfiguration states_;
    KvStepperTextfieldCombined* from_;
    KvStepperTextfieldCombined* to_;
    KvStepperTextfieldCombined* start_;
};

} // namespace fen

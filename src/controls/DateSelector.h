#pragma once

#include "platform/foundation/Dates.h"

#include <QWidget>

namespace fen {

class DateSelectorPicker;
class KvToggle;

// A bare switch (named "Include Date") in front of the date button (named "Date" and its date);
// the button stays active whatever the switch holds, the owner deciding what the flag means. The
// setters never emit.
class DateSelector : public QWidget {
    Q_OBJECT
public:
    DateSelector(const Date& date, bool isOn, QWidget* parent = nullptr);

    void setDate(const Date& date);
    void setIsOn(bool isOn);
    KvToggle* toggle() const { return toggle_; }
    DateSelectorPicker* picker() const { return picker_; }

Q_SIGNALS:
    void dateEdited(const fen::Date& date);
    void isOnEdited(bool isOn);

private:
    KvToggle* toggle_;
    DateSelectorPicker* picker_;
};

} // namespace fen

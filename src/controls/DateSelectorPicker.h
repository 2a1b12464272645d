#pragma once

#include "platform/foundation/Dates.h"
#include "ui/Sheets.h"

#include <QPointer>
#include <QPushButton>
#include <QWidget>

class QCalendarWidget;

namespace fen {

// The calendar inside the date popover: a date-only calendar of 350 × 350 points on the bound
// day. setDate never emits; each day the user clicks (or confirms with Return) emits dateEdited
// with the start of that day, at once, the popover staying open.
class DateSelectorPickerSheet : public QWidget {
    Q_OBJECT
public:
    explicit DateSelectorPickerSheet(const Date& date, QWidget* parent = nullptr);
    void setDate(const Date& date);
    QCalendarWidget* calendar() const { return calendar_; }

Q_SIGNALS:
    void dateEdited(const fen::Date& date);

private:
    QCalendarWidget* calendar_;
};

// A borderless button that shows the bound date in the locale's full date style on one line,
// trailing-aligned (also its accessible name), and opens a popover with the calendar below it.
// Closing the popover keeps every day picked in it. setDate never emits.
class DateSelectorPicker : public QPushButton {
    Q_OBJECT
public:
    explicit DateSelectorPicker(const Date& date, QWidget* parent = nullptr);

    const Date& date() const { return date_; }
    void setDate(const Date& date);
    bool isPresented() const { return popover_ != nullptr; }
    void setIsPresented(bool presented);
    ui::Popover* popover() const { return popover_; }
    DateSelectorPickerSheet* sheet() const { return sheet_; }

    // The label of a date: the full date style of the user's locale, local time zone.
    static QString formatted(const Date& date);

Q_SIGNALS:
    void dateEdited(const fen::Date& date);

private:
    Date date_;
    QPointer<ui::Popover> popover_;
    QPointer<DateSelectorPickerSheet> sheet_;
};

} // namespace fen

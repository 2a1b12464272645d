#pragma once

#include "platform/foundation/Dates.h"
#include "ui/Sheets.h"

#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <optional>

class QCalendarWidget;
class QMenu;
class QToolButton;

namespace fen {

// The calendar inside the date popover: a date-only calendar of 350 × 350 points on the bound
// day. setDate never emits; each day the user clicks (or confirms with Return) emits dateEdited
// with the start of that day, at once.
// A day moved to with the keys and not confirmed is only shown (shownDate, and moved() is true)
// until the popover closes. Tab and Backtab, which have nowhere to go inside the calendar, emit
// tabbedOut. A screen reader hears "Calendar", its table "Days" (each day named by its whole
// date, DateSelectorCalendarAccessible), the buttons "Previous month" and "Next month", and
// "Month" and "Year" (the year's field too), which are told the month and the year shown. "Month"
// drops its list of months in a popover named "Month" (Qt's own is a pop-up menu, which Qt keeps
// out of the accessibility tree): a button per month, named by it, the month shown taking the
// focus; a month pressed is shown, and Escape closes the list alone.
class DateSelectorPickerSheet : public QWidget {
    Q_OBJECT
public:
    explicit DateSelectorPickerSheet(const Date& date, QWidget* parent = nullptr);
    void setDate(const Date& date);
    // The start of the day the calendar shows as selected.
    Date shownDate() const;
    // Whether the user has moved the calendar's selection since it was set.
    bool moved() const { return moved_; }
    QCalendarWidget* calendar() const { return calendar_; }
    // The list of months while it is open (shown, and not closed on its way to deletion).
    ui::Popover* monthList() const {
        return monthList_ && monthList_->isVisible() ? monthList_.data() : nullptr;
    }

Q_SIGNALS:
    void dateEdited(const fen::Date& date);
    void tabbedOut(bool forward);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Drops the list of months under the month button; each entry runs the entry of Qt's menu of
    // the same month, so the calendar's own rules (its date range) still decide the page.
    void showMonths(QToolButton* button, QMenu* months);

    QCalendarWidget* calendar_;
    bool moved_ = false;
    QPointer<ui::Popover> monthList_;
};

// A borderless button that shows the bound date in the locale's full date style on one line,
// trailing-aligned, or "No date" while it has none, named by what its date sets and that date
// ("Start date: 8 December 2026"), and opens a popover with the calendar below it (named by what
// the date sets), on the bound day or today. A day picked (clicked, or
// confirmed with Return) is chosen and closes the popover. Closing the popover otherwise chooses
// the day moved to with the keys as a click would, unless Escape closed it; Escape closes the
// popover alone, never the sheet or window around it. Tab in the calendar closes the popover and
// goes on to the control after the button (Backtab: before it). setDate never emits.
class DateSelectorPicker : public QPushButton {
    Q_OBJECT
public:
    DateSelectorPicker(const QString& name, const std::optional<Date>& date,
                       QWidget* parent = nullptr);

    const std::optional<Date>& date() const { return date_; }
    void setDate(const std::optional<Date>& date);
    // Whether the popover is open: shown, and not closed on its way to deletion.
    bool isPresented() const { return popover_ && popover_->isVisible(); }
    void setIsPresented(bool presented);
    ui::Popover* popover() const { return popover_; }
    DateSelectorPickerSheet* sheet() const { return sheet_; }

    // The label of a date: the full date style of the user's locale, local time zone; "No date"
    // for none.
    static QString formatted(const std::optional<Date>& date);

Q_SIGNALS:
    void dateEdited(const fen::Date& date);

private:
    void choose(const Date& picked);

    QString name_;
    std::optional<Date> date_;
    QPointer<ui::Popover> popover_;
    QPointer<DateSelectorPickerSheet> sheet_;
};

} // namespace fen

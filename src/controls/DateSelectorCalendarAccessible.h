#pragma once

#include <QAccessibleWidget>

#include <QAccessible>
#include <QDate>

#include <map>

class QTableView;

namespace fen {

// What a screen reader hears of the day table inside a calendar (QCalendarWidget's own table
// view): each day cell is named by its whole date in the locale's long style ("Monday, 30
// November 2026"), so the 30th of two months shown side by side is told apart, and the row of
// weekday names gives each name in full. Qt's own interface names a cell by its day number only
// and takes no name from the calendar's model, which cannot be replaced without breaking the
// calendar. A cell's press picks its day as a click does.
//
// The cells are in rows and columns as the view shows them, child index row × columns + column,
// which is the index the view gives its focus and selection events.
class DateSelectorCalendarAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    // Installs the interface for every calendar's day table; more calls do nothing.
    static void install();

    explicit DateSelectorCalendarAccessible(QTableView* view);
    ~DateSelectorCalendarAccessible() override;

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::Role role() const override { return QAccessible::Table; }
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return QString(); }
    int columnCount() const override;
    int rowCount() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    QTableView* view() const;
    // The day a cell shows; invalid for a cell of the weekday row or of week numbers.
    QDate dayAt(int row, int column) const;
    // The weekday a column shows.
    Qt::DayOfWeek weekdayOf(int column) const;
    // Whether a row holds the weekday names.
    bool isWeekdayRow(int row) const;

private:
    void forgetCells();

    mutable std::map<int, QAccessible::Id> cells_;
};

} // namespace fen

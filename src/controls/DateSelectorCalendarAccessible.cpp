#include "controls/DateSelectorCalendarAccessible.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLocale>
#include <QMouseEvent>
#include <QPointer>
#include <QTableView>
#include <QWindow>

namespace fen {

namespace {

// One cell of the day table: a day, or a weekday name of the first row.
class CalendarDayCell : public QAccessibleInterface,
                        public QAccessibleTableCellInterface,
                        public QAccessibleActionInterface {
public:
    CalendarDayCell(QTableView* view, int row, int column)
        : view_(view), row_(row), column_(column) {}

    bool isValid() const override {
        return view_ && view_->model() && row_ < view_->model()->rowCount() &&
               column_ < view_->model()->columnCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(view_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text kind) const override {
        const DateSelectorCalendarAccessible* days = this->days();
        if (kind != QAccessible::Name || !days || !isValid()) {
            return QString();
        }
        if (days->isWeekdayRow(row_)) {
            return view_->locale().dayName(days->weekdayOf(column_), QLocale::LongFormat);
        }
        const QDate day = days->dayAt(row_, column_);
        return day.isValid() ? view_->locale().toString(day, QLocale::LongFormat) : QString();
    }

    QRect rect() const override {
        if (!isValid()) {
            return QRect();
        }
        QRect cell = view_->visualRect(index());
        if (!cell.isNull()) {
            cell.translate(view_->viewport()->mapToGlobal(QPoint(0, 0)));
        }
        return cell;
    }

    QAccessible::Role role() const override {
        const DateSelectorCalendarAccessible* days = this->days();
        return days && days->isWeekdayRow(row_) ? QAccessible::ColumnHeader : QAccessible::Cell;
    }

    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const QModelIndex at = index();
        if (!view_->isVisible() || !view_->viewport()->rect().intersects(view_->visualRect(at))) {
            state.invisible = true;
        }
        if (role() != QAccessible::Cell) {
            return state;
        }
        const Qt::ItemFlags flags = at.flags();
        state.disabled = !(flags & Qt::ItemIsEnabled);
        state.selectable = state.focusable = (flags & Qt::ItemIsSelectable) != 0;
        state.selected = isSelected();
        state.focused = view_->hasFocus() && view_->currentIndex() == at;
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface) {
            return static_cast<QAccessibleTableCellInterface*>(this);
        }
        if (type == QAccessible::ActionInterface) {
            return static_cast<QAccessibleActionInterface*>(this);
        }
        return nullptr;
    }

    bool isSelected() const override {
        return isValid() && view_->selectionModel() && view_->selectionModel()->isSelected(index());
    }
    // A day's column header is the weekday name above it.
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        const DateSelectorCalendarAccessible* days = this->days();
        if (!days || !days->isWeekdayRow(0) || row_ == 0) {
            return {};
        }
        return {days->cellAt(0, column_)};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    QStringList actionNames() const override {
        const DateSelectorCalendarAccessible* days = this->days();
        if (!days || !days->dayAt(row_, column_).isValid()) {
            return {};
        }
        return {pressAction()};
    }
    // Pressed, a day is picked as a click on it picks it (the calendar's own checks included).
    void doAction(const QString& name) override {
        if (name != pressAction() || actionNames().isEmpty()) {
            return;
        }
        QWidget* viewport = view_->viewport();
        const QPoint centre = view_->visualRect(index()).center();
        const QPoint global = viewport->mapToGlobal(centre);
        QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &release);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QModelIndex index() const { return view_->model()->index(row_, column_); }
    const DateSelectorCalendarAccessible* days() const {
        return dynamic_cast<const DateSelectorCalendarAccessible*>(parent());
    }

    QPointer<QTableView> view_;
    int row_;
    int column_;
};

QCalendarWidget* calendarOf(const QTableView* view) {
    return view ? qobject_cast<QCalendarWidget*>(view->parentWidget()) : nullptr;
}

// The day table of a calendar; any other table keeps Qt's own interface.
QAccessibleInterface* calendarDays(const QString& className, QObject* object) {
    if (className == QLatin1String("QCalendarView")) {
        auto* view = qobject_cast<QTableView*>(object);
        if (calendarOf(view)) {
            return new DateSelectorCalendarAccessible(view);
        }
    }
    return nullptr;
}

int firstDayColumn(const QCalendarWidget* calendar) {
    return calendar->verticalHeaderFormat() == QCalendarWidget::ISOWeekNumbers ? 1 : 0;
}

} // namespace

void DateSelectorCalendarAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(calendarDays);
        return true;
    }();
    (void)installed;
}

DateSelectorCalendarAccessible::DateSelectorCalendarAccessible(QTableView* view)
    : QAccessibleWidget(view, QAccessible::Table) {}

DateSelectorCalendarAccessible::~DateSelectorCalendarAccessible() {
    forgetCells();
}

void* DateSelectorCalendarAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QTableView* DateSelectorCalendarAccessible::view() const {
    return qobject_cast<QTableView*>(object());
}

int DateSelectorCalendarAccessible::rowCount() const {
    return view() && view()->model() ? view()->model()->rowCount() : 0;
}

int DateSelectorCalendarAccessible::columnCount() const {
    return view() && view()->model() ? view()->model()->columnCount() : 0;
}

int DateSelectorCalendarAccessible::childCount() const {
    return rowCount() * columnCount();
}

QAccessibleInterface* DateSelectorCalendarAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    if (const auto known = cells_.find(index); known != cells_.end()) {
        return QAccessible::accessibleInterface(known->second);
    }
    auto* cell = new CalendarDayCell(view(), index / columnCount(), index % columnCount());
    cells_[index] = QAccessible::registerAccessibleInterface(cell);
    return cell;
}

int DateSelectorCalendarAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = dynamic_cast<const CalendarDayCell*>(child);
    if (!cell || !cell->isValid()) {
        return -1;
    }
    return cell->rowIndex() * columnCount() + cell->columnIndex();
}

QAccessibleInterface* DateSelectorCalendarAccessible::childAt(int x, int y) const {
    QTableView* table = view();
    if (!table) {
        return nullptr;
    }
    const QModelIndex at = table->indexAt(table->viewport()->mapFromGlobal(QPoint(x, y)));
    return at.isValid() ? cellAt(at.row(), at.column()) : nullptr;
}

QAccessibleInterface* DateSelectorCalendarAccessible::focusChild() const {
    QTableView* table = view();
    if (!table || !table->hasFocus() || !table->currentIndex().isValid()) {
        return nullptr;
    }
    return cellAt(table->currentIndex().row(), table->currentIndex().column());
}

QAccessibleInterface* DateSelectorCalendarAccessible::cellAt(int row, int column) const {
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount()) {
        return nullptr;
    }
    return child(row * columnCount() + column);
}

int DateSelectorCalendarAccessible::selectedCellCount() const {
    return static_cast<int>(selectedCells().size());
}

QList<QAccessibleInterface*> DateSelectorCalendarAccessible::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    if (view() && view()->selectionModel()) {
        for (const QModelIndex& at : view()->selectionModel()->selectedIndexes()) {
            if (QAccessibleInterface* cell = cellAt(at.row(), at.column())) {
                cells.push_back(cell);
            }
        }
    }
    return cells;
}

QString DateSelectorCalendarAccessible::columnDescription(int column) const {
    const QCalendarWidget* calendar = calendarOf(view());
    if (!calendar || column < firstDayColumn(calendar)) {
        return QString();
    }
    return view()->locale().dayName(weekdayOf(column), QLocale::LongFormat);
}

void DateSelectorCalendarAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
    // A day cell reads its date when asked, so a page turned keeps the cells; only a change of
    // the grid's rows or columns makes them anew.
    if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) {
        forgetCells();
    }
}

bool DateSelectorCalendarAccessible::isWeekdayRow(int row) const {
    const QCalendarWidget* calendar = calendarOf(view());
    return calendar && row == 0 &&
           calendar->horizontalHeaderFormat() != QCalendarWidget::NoHorizontalHeader;
}

Qt::DayOfWeek DateSelectorCalendarAccessible::weekdayOf(int column) const {
    const QCalendarWidget* calendar = calendarOf(view());
    const int first = calendar ? calendar->firstDayOfWeek() : Qt::Monday;
    const int shift = column - (calendar ? firstDayColumn(calendar) : 0);
    return static_cast<Qt::DayOfWeek>(((first - 1 + shift) % 7 + 7) % 7 + 1);
}

QDate DateSelectorCalendarAccessible::dayAt(int row, int column) const {
    const QCalendarWidget* calendar = calendarOf(view());
    if (!calendar || isWeekdayRow(row) || column < firstDayColumn(calendar)) {
        return QDate();
    }
    bool isDay = false;
    const int day = view()->model()->index(row, column).data(Qt::DisplayRole).toInt(&isDay);
    if (!isDay) {
        return QDate();
    }
    // The grid shows six weeks: the end of the month before can only fill the first, and the
    // start of the month after only the last two.
    const int week = row - (isWeekdayRow(0) ? 1 : 0);
    const QCalendar system = calendar->calendar();
    QDate month(calendar->yearShown(), calendar->monthShown(), 1, system);
    if (week == 0 && day > 7) {
        month = month.addMonths(-1, system);
    } else if (week >= 4 && day < 15) {
        month = month.addMonths(1, system);
    }
    return QDate(month.year(system), month.month(system), day, system);
}

void DateSelectorCalendarAccessible::forgetCells() {
    for (const auto& [index, id] : cells_) {
        QAccessible::deleteAccessibleInterface(id);
    }
    cells_.clear();
}

} // namespace fen

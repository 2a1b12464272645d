#include "controls/DateSelectorPicker.h"

#include "controls/DateSelectorCalendarAccessible.h"
#include "model/StartOfToday.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QCalendarWidget>
#include <QDateTime>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

namespace fen {

namespace {

QDate localDay(const Date& date) {
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(std::floor(date.unixSeconds())))
        .date();
}

Date startOf(const QDate& day) {
    return Date::fromUnixSeconds(static_cast<double>(day.startOfDay().toSecsSinceEpoch()));
}

} // namespace

DateSelectorPickerSheet::DateSelectorPickerSheet(const Date& date, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // Before the calendar is made: with an assistive tool listening, its day table is given its
    // interface as soon as it exists.
    DateSelectorCalendarAccessible::install();
    calendar_ = new QCalendarWidget(this);
    calendar_->setFixedSize(350, 350);
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // Named for a screen reader: the calendar, its table of days (whose cells carry their whole
    // dates), the buttons that turn its page and those that choose its month and year.
    calendar_->setAccessibleName(ui::tr("Calendar"));
    if (auto* days = calendar_->findChild<QTableView*>()) {
        days->setAccessibleName(ui::tr("Days"));
    }
    const std::pair<const char*, const char*> buttons[] = {
        {"qt_calendar_prevmonth", "Previous month"},
        {"qt_calendar_nextmonth", "Next month"},
        {"qt_calendar_monthbutton", "Month"},
        {"qt_calendar_yearbutton", "Year"}};
    for (const auto& [object, name] : buttons) {
        if (auto* button = calendar_->findChild<QToolButton*>(QLatin1String(object))) {
            button->setAccessibleName(ui::tr(name));
        }
    }
    // The month button drops a list that assistive tools reach, in place of Qt's menu.
    if (auto* button =
            calendar_->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"))) {
        if (QMenu* months = button->menu()) {
            button->setMenu(nullptr);
            // A button whose menu pops up at once offers assistive tools no press.
            button->setPopupMode(QToolButton::DelayedPopup);
            connect(button, &QToolButton::clicked, this,
                    [this, button, months] { showMonths(button, months); });
        }
    }
    // The field that takes a typed year in place of the year button.
    if (auto* year = calendar_->findChild<QSpinBox*>(QStringLiteral("qt_calendar_yearedit"))) {
        year->setAccessibleName(ui::tr("Year"));
    }
    layout->addWidget(calendar_, 0, Qt::AlignCenter);
    // The month and the year shown are what a screen reader hears after those buttons' names.
    const auto describePage = [this] {
        for (const char* object : {"qt_calendar_monthbutton", "qt_calendar_yearbutton"}) {
            if (auto* button = calendar_->findChild<QToolButton*>(QLatin1String(object))) {
                button->setAccessibleDescription(button->text());
            }
        }
    };
    connect(calendar_, &QCalendarWidget::currentPageChanged, this, describePage);
    setDate(date);
    describePage();
    connect(calendar_, &QCalendarWidget::selectionChanged, this, [this] { moved_ = true; });
    auto pick = [this](const QDate& day) { Q_EMIT dateEdited(startOf(day)); };
    connect(calendar_, &QCalendarWidget::clicked, this, pick);
    connect(calendar_, &QCalendarWidget::activated, this, pick);
    for (QWidget* child : calendar_->findChildren<QWidget*>()) {
        if (child->focusPolicy() & Qt::TabFocus) {
            child->installEventFilter(this);
        }
    }
}

void DateSelectorPickerSheet::showMonths(QToolButton* button, QMenu* months) {
    if (ui::Popover* open = monthList()) {
        open->close();
        return;
    }
    ui::Popover* list = ui::makePopover(button);
    auto* grid = new QGridLayout(list);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setSpacing(2);
    QPushButton* shown = nullptr;
    const QList<QAction*> entries = months->actions();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QAction* entry = entries[i];
        auto* month = new QPushButton(entry->text(), list);
        month->setFlat(true);
        month->setAutoDefault(false);
        month->setEnabled(entry->isEnabled());
        grid->addWidget(month, int(i / 3), int(i % 3));
        connect(month, &QPushButton::clicked, list, [list, entry = QPointer<QAction>(entry)] {
            list->close();
            if (entry) {
                entry->trigger();
            }
        });
        if (entry->data().toInt() == calendar_->monthShown()) {
            shown = month;
        }
    }
    // Once the list has closed, whichever way, the keys go back to the days.
    connect(list, &ui::Popover::closing, this, [this] {
        QMetaObject::invokeMethod(
            calendar_, [this] { calendar_->setFocus(Qt::PopupFocusReason); }, Qt::QueuedConnection);
    });
    monthList_ = list;
    ui::showPopover(list, button);
    if (shown && shown->isEnabled()) {
        shown->setFocus(Qt::PopupFocusReason);
    }
}

bool DateSelectorPickerSheet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier;
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            Q_EMIT tabbedOut(key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DateSelectorPickerSheet::setDate(const Date& date) {
    const QSignalBlocker blocker(calendar_);
    calendar_->setSelectedDate(localDay(date));
}

Date DateSelectorPickerSheet::shownDate() const {
    return startOf(calendar_->selectedDate());
}

QString DateSelectorPicker::formatted(const std::optional<Date>& date) {
    return date ? QLocale::system().toString(localDay(*date), QLocale::LongFormat)
                : ui::tr("No date");
}

DateSelectorPicker::DateSelectorPicker(const QString& name, const std::optional<Date>& date,
                                       QWidget* parent)
    : QPushButton(parent), name_(name), date_(date) {
    setFlat(true);
    setAutoDefault(false);
    setDate(date);
    connect(this, &QPushButton::clicked, this, [this] { setIsPresented(true); });
}

void DateSelectorPicker::setDate(const std::optional<Date>& date) {
    date_ = date;
    const QString label = formatted(date);
    setText(label);
    // A screen reader hears the date with the name, as a sighted user sees it.
    setAccessibleName(ui::tr("%1: %2").arg(name_, label));
    if (sheet_ && date) {
        sheet_->setDate(*date);
    }
}

void DateSelectorPicker::setIsPresented(bool presented) {
    if (presented == isPresented()) {
        return;
    }
    if (!presented) {
        popover_->close();
        return;
    }
    ui::Popover* popover = ui::makePopover(this);
    popover->setAccessibleName(name_);
    auto* layout = new QVBoxLayout(popover);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* sheet = new DateSelectorPickerSheet(date_.value_or(startOfToday()), popover);
    layout->addWidget(sheet);
    // Closed once every receiver of the pick has had it (an owner may listen to the sheet too).
    connect(sheet, &DateSelectorPickerSheet::dateEdited, this, &DateSelectorPicker::choose);
    connect(
        sheet, &DateSelectorPickerSheet::dateEdited, this, [this] { setIsPresented(false); },
        Qt::QueuedConnection);
    connect(sheet, &DateSelectorPickerSheet::tabbedOut, this, [this](bool forward) {
        setIsPresented(false);
        focusNextPrevChild(forward);
    });
    connect(popover, &ui::Popover::closing, this, [this, sheet](bool escaped) {
        if (!escaped && sheet->moved()) {
            choose(sheet->shownDate());
        }
    });
    popover_ = popover;
    sheet_ = sheet;
    ui::showPopover(popover, this);
}

void DateSelectorPicker::choose(const Date& picked) {
    if (picked == date_) {
        return;
    }
    setDate(picked);
    Q_EMIT dateEdited(picked);
}

} // namespace fen

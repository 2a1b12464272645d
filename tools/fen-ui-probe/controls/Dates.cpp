// The date picker ("date"): a picker on 14 March 2026 with a text field after it, to tab to and
// to press outside the calendar. Actions: "open" opens the calendar from the keyboard (Space on
// the focused picker) and waits until the calendar has the focus; "outside" presses the field.
// The key actions go to the calendar while it is open.
#include "Probe.h"

#include "controls/DateSelectorPicker.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDate>
#include <QDateTime>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

namespace fen::probe {

namespace {

QDate localDay(const Date& date) {
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(date.unixSeconds())).date();
}

void date(Probe& p, QWidget* host) {
    auto* box = new QWidget(host);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    const QDate start(2026, 3, 14);
    auto* picker = new DateSelectorPicker(
        QStringLiteral("Date"),
        Date::fromUnixSeconds(double(start.startOfDay().toSecsSinceEpoch())), box);
    auto* after = new QLineEdit(box);
    after->setAccessibleName(QStringLiteral("After"));
    layout->addWidget(picker);
    layout->addWidget(after);
    QObject::connect(picker, &DateSelectorPicker::dateEdited, host, [&p] { ++p.actions; });
    p.target = picker;
    p.shown = box;
    p.act = [picker, after](const QString& action) {
        if (action == "open") {
            picker->setFocus(Qt::TabFocusReason);
            QTest::keyClick(picker, Qt::Key_Space);
            return QTest::qWaitFor(
                [picker] {
                    const QWidget* focused = QApplication::focusWidget();
                    return picker->popover() && focused && focused->window() == picker->popover();
                },
                5000);
        }
        if (action == "outside") {
            QTest::mouseClick(after, Qt::LeftButton);
            return true;
        }
        return false;
    };
    p.state = [&p, picker] {
        const QWidget* focused = QApplication::focusWidget();
        return QJsonObject{
            {"date", picker->date() ? localDay(*picker->date()).toString(Qt::ISODate) : QString()},
            {"shown", picker->sheet()
                          ? picker->sheet()->calendar()->selectedDate().toString(Qt::ISODate)
                          : QString()},
            {"presented", picker->isPresented()},
            {"focused", focused ? focused->accessibleName() : QString()},
            {"writes", p.actions}};
    };
}

const Registration dates{{"date", date}};

} // namespace

} // namespace fen::probe

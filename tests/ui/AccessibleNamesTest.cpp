// What a screen reader hears of each control: a name that says what the control sets, never its
// value (which it hears as the value or the description), and never the name of another control
// of the same role beside it; no blank label, and nothing the focus reaches without a name.
// Checked on the four settings pages (with the text list above them), in the QR code creator (its
// list and its editor), in a date picker's calendar and in the password dialog.
#include "DocumentWindowFixture.h"
#include "UiTestSupport.h"

#include "controls/CustomSegmentedPickerView.h"
#include "controls/DateSelectorPicker.h"
#include "controls/KvToggle.h"
#include "controls/PopupPicker.h"
#include "document/FenPasswordPanel.h"
#include "model/StartOfToday.h"
#include "panels/NameAndDate.h"
#include "panels/PanelStamp.h"
#include "panels/QRCodeCreatorDetails.h"
#include "panels/QRCodeCreatorDetailsForm.h"
#include "panels/QRCodeCreatorListView.h"
#include "storage/FenDatabaseManager.h"
#include "storage/QRCodeDBModel.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>

#include <map>
#include <set>

namespace fen {
namespace {

// One shown node as an assistive tool hears it; a null value or description is not looked at.
struct Heard {
    QAccessible::Role role;
    QString name;
    QString value;
    QString description;
    bool focusable = false;
};

void collect(QAccessibleInterface* node, std::vector<Heard>& heard) {
    if (!node || node->state().invisible) {
        return;
    }
    // A list or a table has no value: Qt's interface of one answers its name when asked.
    const QString value = node->tableInterface() ? QString() : node->text(QAccessible::Value);
    heard.push_back({node->role(), node->text(QAccessible::Name), value,
                     node->text(QAccessible::Description), bool(node->state().focusable)});
    for (int i = 0; i < node->childCount(); ++i) {
        collect(node->child(i), heard);
    }
}

// The nodes under `roots`, checked: every control (a day of a calendar too) named, not by its
// value, and by a name no other control of its role has; every label with a text; every node the
// focus can reach named. Then each of `expected` is among them with its value and description.
void expectNamed(const std::vector<QWidget*>& roots, const std::vector<Heard>& expected) {
    std::vector<Heard> heard;
    for (QWidget* root : roots) {
        collect(QAccessible::queryAccessibleInterface(root), heard);
    }
    static const std::set<QAccessible::Role> controls = {
        QAccessible::Button,       QAccessible::CheckBox, QAccessible::Slider,
        QAccessible::EditableText, QAccessible::ComboBox, QAccessible::PageTab,
        QAccessible::ButtonMenu,   QAccessible::List,     QAccessible::PageTabList,
        QAccessible::Table,        QAccessible::Cell,     QAccessible::SpinBox};
    std::map<std::pair<QAccessible::Role, QString>, int> names;
    for (const Heard& node : heard) {
        SCOPED_TRACE("role " + std::to_string(node.role) + " '" + node.name.toStdString() + "'");
        if (node.role == QAccessible::StaticText) {
            EXPECT_FALSE(node.name.trimmed().isEmpty()) << "a label without a text";
        } else if (controls.count(node.role)) {
            EXPECT_FALSE(node.name.trimmed().isEmpty());
            EXPECT_TRUE(node.value.isEmpty() || node.name != node.value) << "named by its value";
            const int seen = ++names[std::make_pair(node.role, node.name)];
            EXPECT_EQ(seen, 1) << "named as another of its role";
        }
        EXPECT_FALSE(node.focusable && node.name.trimmed().isEmpty()) << "focusable, no name";
    }
    for (const Heard& want : expected) {
        SCOPED_TRACE(want.name.toStdString());
        const auto found = std::find_if(heard.begin(), heard.end(), [&](const Heard& node) {
            return node.role == want.role && node.name == want.name;
        });
        ASSERT_NE(found, heard.end()) << "no such control";
        EXPECT_TRUE(want.value.isNull() || found->value == want.value)
            << found->value.toStdString();
        EXPECT_TRUE(want.description.isNull() || found->description == want.description)
            << found->description.toStdString();
    }
}

const QString any;

TEST(AccessibleNames, EachSettingsPageNamesItsControlsOnceByWhatTheySet) {
    test::DocumentWindow window;
    const QString today = DateSelectorPicker::formatted(startOfToday());
    using R = QAccessible::Role;
    QStringList dropped;
    const std::vector<Heard> expected[] = {
        {{R::Slider, "Opacity slider", "40", any},
         {R::EditableText, "Opacity", "40", any},
         {R::Button, "Increase Opacity", any, any},
         {R::Button, "Open", any, any},
         {R::Button, "Save", any, any}},
        {{R::Slider, "Size slider", "100", any},
         {R::Slider, "Vertical slider", "0", any},
         {R::ButtonMenu, "Select QR code: None", any, any},
         {R::Button, "Clear image", any, any},
         {R::Button, "Open preset", any, any},
         {R::Button, "Save preset", any, any}},
        {{R::ButtonMenu, "Select stamp: None", any, any},
         {R::Button, "Date: " + today, any, any},
         {R::Slider, "Opacity slider", "50", any},
         {R::Button, "Open preset", any, any}},
        {{R::ButtonMenu, "Select page number: None", any, any},
         {R::Slider, "Horizontal slider", "0", any},
         {R::Button, "Save preset", any, any}},
    };
    for (int page = 0; page < 4; ++page) {
        SCOPED_TRACE(window.tab->tabRow()->tabs()[size_t(page)].title);
        QTest::mouseClick(window.tab->tabRow()->button(page), Qt::LeftButton);
        window.settle();
        if (page == 2) {
            // The date and name rows show.
            window.tab->stampPanel()->nameAndDate()->includeToggle()->toggleSwitch()->click();
            window.settle();
        }
        expectNamed({window.tab->textListSlot(), window.tab->panels()->currentWidget()},
                    expected[page]);
        // The list a picker drops down is named as the picker is.
        for (PopupPicker* picker :
             window.tab->panels()->currentWidget()->findChildren<PopupPicker*>()) {
            if (!picker->isVisible()) {
                continue;
            }
            const QString name =
                QAccessible::queryAccessibleInterface(picker)->text(QAccessible::Name);
            dropped << name;
            picker->showPopup();
            expectNamed({picker}, {{R::List, name, any, any}});
            picker->hidePopup();
        }
    }
    EXPECT_EQ(dropped, QStringList({"Font", "Style", "Angle", "Angle", "Font", "Font style",
                                    "Numbering style"}));
}

TEST(AccessibleNames, TheQrCreatorNamesItsListDatesAndWellsByWhatTheySet) {
    for (const QRCodeStructure& stored : FenDatabaseManager::loadQRCodes()) {
        FenDatabaseManager::removeQRCode(stored.id);
    }
    QRCodeStructure code;
    code.itemname = "Launch";
    FenDatabaseManager::addQRCode(code);
    QRCodeDBModel model;
    QMainWindow window;
    auto* list = new QRCodeCreatorListView(model);
    window.setCentralWidget(list);
    window.resize(760, 600);
    window.show();
    using R = QAccessible::Role;
    expectNamed({list}, {{R::Client, "QR Code List", any, any}, {R::Button, "Launch", any, any}});
    ASSERT_EQ(list->rows().size(), 1u);
    list->rows()[0]->click();
    QRCodeCreatorDetails* editor = list->editor();
    ASSERT_NE(editor, nullptr);
    for (int type = 0; type < 5; ++type) {
        SCOPED_TRACE(type);
        QTest::mouseClick(editor->selector()->button(type), Qt::LeftButton);
        QCoreApplication::processEvents();
        std::vector<Heard> expected = {{R::Client, "QR Code Details", any, any},
                                       {R::Button, "Background colour palette", any, "FFFFFF"},
                                       {R::Button, "Background colour dialog", any, any},
                                       {R::Button, "Foreground colour palette", any, "000000"}};
        if (type == 3) {
            // An event without dates.
            expected.push_back({R::Button, "Start date: No date", any, any});
            expected.push_back({R::Button, "End date: No date", any, any});
        }
        expectNamed({list}, expected);
        if (type != 3) {
            continue;
        }
        // Each name is that of the picker whose date it sets: a day picked there is the code's.
        const std::pair<QString, std::optional<Date> QRCodeStructure::*> sets[] = {
            {"Start date: No date", &QRCodeStructure::calendar_fromDate},
            {"End date: No date", &QRCodeStructure::calendar_toDate}};
        int later = 1;
        for (const auto& [name, member] : sets) {
            SCOPED_TRACE(name.toStdString());
            const std::vector<DateSelectorPicker*>& pickers = editor->form()->datePickers();
            const auto named = std::find_if(pickers.begin(), pickers.end(), [&](auto* picker) {
                return picker->accessibleName() == name;
            });
            ASSERT_NE(named, pickers.end());
            (*named)->click();
            ASSERT_TRUE((*named)->isPresented());
            QCalendarWidget* calendar = (*named)->sheet()->calendar();
            Q_EMIT calendar->clicked(calendar->selectedDate().addDays(later++));
            ASSERT_TRUE((*named)->date().has_value());
            EXPECT_EQ(editor->qrcode().*member, (*named)->date());
            // The name tells the date picked.
            EXPECT_EQ((*named)->accessibleName(),
                      name.section(QLatin1Char(':'), 0, 0) + ": " +
                          DateSelectorPicker::formatted((*named)->date()));
        }
        EXPECT_NE(editor->qrcode().calendar_fromDate, editor->qrcode().calendar_toDate);
    }
}

TEST(AccessibleNames, ADatePickersCalendarNamesItsTablesTurnsAndDaysByTheirWholeDates) {
    QWidget window;
    // 30 November 2026: its page shows the first days of December too.
    const QDate shown(2026, 11, 30);
    auto* picker = new DateSelectorPicker(
        "Date", Date::fromUnixSeconds(double(shown.startOfDay().toSecsSinceEpoch())), &window);
    window.show();
    picker->click();
    ASSERT_TRUE(picker->isPresented());
    const QLocale locale = picker->sheet()->calendar()->locale();
    const auto day = [&](const QDate& date) { return locale.toString(date, QLocale::LongFormat); };
    using R = QAccessible::Role;
    const auto month = [&](int number) { return locale.standaloneMonthName(number); };
    expectNamed({picker->popover()}, {{R::Table, "Calendar", any, any},
                                      {R::Table, "Days", any, any},
                                      {R::Button, "Previous month", any, any},
                                      {R::Button, "Next month", any, any},
                                      {R::Button, "Month", any, month(11)},
                                      {R::Button, "Year", any, "2026"},
                                      {R::Cell, day(shown), any, any},
                                      {R::Cell, day(QDate(2026, 12, 1)), any, any},
                                      {R::Cell, day(QDate(2026, 11, 1)), any, any},
                                      {R::ColumnHeader, locale.dayName(1), any, any}});
    // The day the calendar shows as selected is the cell the table says is selected, and
    // pressing a cell picks its day.
    QAccessibleInterface* days = QAccessible::queryAccessibleInterface(
        picker->sheet()->calendar()->findChild<QTableView*>());
    ASSERT_TRUE(days && days->tableInterface());
    ASSERT_EQ(days->tableInterface()->selectedCellCount(), 1);
    EXPECT_EQ(days->tableInterface()->selectedCells()[0]->text(QAccessible::Name), day(shown));
    // Row after row, the cells are the six weeks the page shows, one day after another, each
    // under the name of its weekday: a page whose month starts in its first row (November 2026),
    // one whose first week is all of the month before (February 2027, which starts on a Monday)
    // and one whose next month starts in its fifth row (January 2026).
    QCalendarWidget* calendar = picker->sheet()->calendar();
    for (const QDate& first : {QDate(2026, 10, 26), QDate(2027, 1, 25), QDate(2025, 12, 29)}) {
        SCOPED_TRACE(first.toString(Qt::ISODate).toStdString());
        calendar->setCurrentPage(first.addDays(7).year(), first.addDays(7).month());
        QStringList heard;
        QStringList weeks;
        for (int i = 7; i < days->childCount(); ++i) {
            QAccessibleInterface* cell = days->child(i);
            const QList<QAccessibleInterface*> header =
                cell->tableCellInterface()->columnHeaderCells();
            heard << cell->text(QAccessible::Name) + " / " +
                         (header.size() == 1 ? header[0]->text(QAccessible::Name) : QString());
            const QDate date = first.addDays(i - 7);
            weeks << day(date) + " / " + locale.dayName(date.dayOfWeek());
        }
        EXPECT_EQ(heard, weeks);
    }
    // The buttons turn the page the way their names say, and the month button tells the month
    // shown; the year button gives way to the year's field.
    const auto press = [&](const QString& name) {
        for (QToolButton* button : calendar->findChildren<QToolButton*>()) {
            if (button->accessibleName() == name) {
                button->click();
            }
        }
    };
    calendar->setCurrentPage(2026, 11);
    press("Next month");
    EXPECT_EQ(calendar->monthShown(), 12);
    expectNamed({picker->popover()}, {{R::Button, "Month", any, month(12)}});
    press("Previous month");
    press("Previous month");
    EXPECT_EQ(calendar->monthShown(), 10);
    expectNamed({picker->popover()}, {{R::Button, "Month", any, month(10)}});
    // The month button drops its months as buttons named by them, the month shown in front of the
    // keys; one pressed is shown, and Escape closes the list alone.
    DateSelectorPickerSheet* sheet = picker->sheet();
    // Pressed as an assistive tool presses it.
    const auto pressMonth = [&] {
        for (QToolButton* button : calendar->findChildren<QToolButton*>()) {
            if (button->accessibleName() == "Month") {
                QAccessibleActionInterface* actions =
                    QAccessible::queryAccessibleInterface(button)->actionInterface();
                ASSERT_TRUE(
                    actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
                actions->doAction(QAccessibleActionInterface::pressAction());
            }
        }
    };
    const auto heard = [](QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    };
    pressMonth();
    ASSERT_TRUE(sheet->monthList() && sheet->monthList()->isVisible());
    EXPECT_EQ(sheet->monthList()->accessibleName(), "Month");
    std::vector<Heard> months;
    for (int number = 1; number <= 12; ++number) {
        months.push_back({R::Button, month(number), any, any});
    }
    expectNamed({sheet->monthList()}, months);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget(); }, 5000));
    EXPECT_EQ(heard(QApplication::focusWidget()), month(10));
    // The button closes the list it dropped.
    pressMonth();
    EXPECT_FALSE(sheet->monthList());
    const auto pick = [&](int number) {
        pressMonth();
        ASSERT_TRUE(sheet->monthList() && sheet->monthList()->isVisible());
        for (QPushButton* button : sheet->monthList()->findChildren<QPushButton*>()) {
            if (heard(button) == month(number)) {
                QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
                    QAccessibleActionInterface::pressAction());
            }
        }
        // Qt's press of a button is a click animated for a moment.
        EXPECT_TRUE(QTest::qWaitFor([&] { return calendar->monthShown() == number; }, 5000));
        EXPECT_FALSE(sheet->monthList());
    };
    pick(3);
    pressMonth();
    ASSERT_TRUE(sheet->monthList() && sheet->monthList()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return QApplication::focusWidget() &&
                   QApplication::focusWidget()->window() == sheet->monthList();
        },
        5000));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sheet->monthList(); }, 5000));
    EXPECT_TRUE(picker->isPresented());
    EXPECT_EQ(calendar->monthShown(), 3);
    pick(10);
    press("Year");
    expectNamed({picker->popover()}, {{R::SpinBox, "Year", "2026", any}});
    calendar->setCurrentPage(2026, 11);
    for (int i = 0; i < days->childCount(); ++i) {
        QAccessibleInterface* cell = days->child(i);
        if (cell->text(QAccessible::Name) == day(QDate(2026, 12, 2))) {
            EXPECT_EQ(days->indexOfChild(cell), i);
            cell->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
    }
    ASSERT_TRUE(picker->date().has_value());
    EXPECT_EQ(*picker->date(),
              Date::fromUnixSeconds(double(QDate(2026, 12, 2).startOfDay().toSecsSinceEpoch())));
}

TEST(AccessibleNames, ThePasswordDialogShowsNoBlankLabelAndNamesItsClearButtons) {
    QWidget window;
    window.show();
    FenPasswordPanel* panel = FenPasswordPanel::presentPasswordPanel(&window, [](const auto&) {});
    using R = QAccessible::Role;
    // Typed into "Password" alone, then cleared again.
    for (const QString typed : {"", "a", ""}) {
        SCOPED_TRACE(typed.toStdString());
        panel->passwordField()->setText(typed);
        std::vector<Heard> expected = {{R::EditableText, "Password", any, any},
                                       {R::EditableText, "Verify", any, any}};
        if (!typed.isEmpty()) {
            expected.push_back({R::StaticText, "Passwords do not match", any, any});
            expected.push_back({R::Button, "Clear Password", any, any});
        }
        expectNamed({panel}, expected);
    }
    delete panel;
}

} // namespace
} // namespace fen

// The stamp panel's widgets: the angle picker, the option selector and its menu in the
// accessibility tree, the name and date rows, the stamp text sheet, and the panel over a stamp
// record (load without write-back, the preview message, the colour well and "Save").
#include "UiTestSupport.h"
#include "storage/StoreQueue.h"

#include "controls/DFColorWell.h"
#include "controls/DateSelector.h"
#include "controls/DateSelectorPicker.h"
#include "controls/FormContainers.h"
#include "controls/KvToggle.h"
#include "controls/NameSelector.h"
#include "controls/PositionSelectorView.h"
#include "controls/SheetButtonModifiers.h"
#include "controls/SpecialAdditionalGenericSelector.h"
#include "controls/TextInputs.h"
#include "controls/ToolBarViewButton.h"
#include "controls/WMAnglesView.h"
#include "document/MainSettingsTabView.h"
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "model/FenWatermarkModel.h"
#include "model/PresetRequests.h"
#include "model/StartOfToday.h"
#include "panels/NameAndDate.h"
#include "panels/PanelStamp.h"
#include "panels/SpecialAdditionalStamp.h"
#include "panels/StampWatermarksListView.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Uuid.h"
#include "storage/FenDatabaseManager.h"
#include "storage/MainSettingsImageHolder.h"
#include "storage/StampDBModel.h"
#include "support/PdfFixtures.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace fen {
namespace {

std::vector<SPAOptions> stampOptions() {
    return {SPAOptions::none(), {"A", "Paid"}, {"B", "Draft"}};
}

TEST(WMAnglesView, ListsTheGivenAnglesAndWritesOnlyTheUsersChoice) {
    WMAnglesView view(PanelStampLogic::angleItems(), WMAngles::auto_);
    QSignalSpy edited(&view, &WMAnglesView::selectionAngleEdited);
    ASSERT_EQ(view.picker()->count(), 14);
    EXPECT_EQ(view.picker()->itemText(0), QStringLiteral("-60º"));
    EXPECT_EQ(view.picker()->itemText(6), QStringLiteral("0º"));
    EXPECT_EQ(view.picker()->itemText(7), QStringLiteral("Auto"));
    EXPECT_EQ(view.picker()->itemText(13), QStringLiteral("60º"));
    EXPECT_EQ(view.picker()->currentIndex(), 7);
    EXPECT_EQ(view.titleLabel()->buddy(), view.picker());
    view.setSelectionAngle(WMAngles::dp20);
    EXPECT_EQ(edited.count(), 0);
    Q_EMIT view.picker()->activated(3);
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).value<WMAngles>(), WMAngles::dm30);
    EXPECT_EQ(view.selectionAngle(), WMAngles::dm30);
}

QAccessibleInterface* menuItem(QAccessibleInterface* menu, const QString& name) {
    for (int i = 0; i < menu->childCount(); ++i) {
        if (menu->child(i)->text(QAccessible::Name) == name) {
            return menu->child(i);
        }
    }
    return nullptr;
}

TEST(SpecialAdditionalGenericSelector, ItsMenuItemsAreReachedAndTriggeredThroughTheTree) {
    QWidget host;
    auto* selector = new SpecialAdditionalGenericSelector(
        "Select stamp", SPAOptions::kNoneID, stampOptions(),
        [](std::function<void(bool)>) { return new QLabel("content"); }, &host);
    host.show();
    QSignalSpy edited(selector, &SpecialAdditionalGenericSelector::selectionEdited);
    QAccessibleInterface* chevron = QAccessible::queryAccessibleInterface(selector->chevron());
    ASSERT_NE(chevron, nullptr);
    // Named by what it picks and what is picked now.
    const auto name = [&] { return chevron->text(QAccessible::Name); };
    EXPECT_EQ(name(), "Select stamp: None");
    EXPECT_EQ(selector->chevron()->toolTip(), "Select stamp");
    ASSERT_EQ(chevron->childCount(), 1);
    QAccessibleInterface* menu = chevron->child(0);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(chevron->indexOfChild(menu), 0);
    EXPECT_EQ(menu->role(), QAccessible::PopupMenu);
    QAccessibleInterface* draft = menuItem(menu, "Draft");
    ASSERT_NE(draft, nullptr);
    EXPECT_EQ(draft->role(), QAccessible::MenuItem);
    ASSERT_NE(menuItem(menu, "Customize List"), nullptr);
    draft->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).value<std::string>(), "B");
    EXPECT_TRUE(menuItem(menu, "Draft")->state().checked);
    EXPECT_FALSE(menuItem(menu, "None")->state().checked);
    EXPECT_EQ(name(), "Select stamp: Draft");
    // Choosing "None" writes its identifier; an unknown selection checks nothing.
    menuItem(menu, "None")->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(edited.at(1).at(0).value<std::string>(), SPAOptions::kNoneID);
    EXPECT_EQ(name(), "Select stamp: None");
    // Set from outside, and its title renamed in the list.
    selector->setSelection("B");
    EXPECT_EQ(name(), "Select stamp: Draft");
    std::vector<SPAOptions> renamed = stampOptions();
    for (SPAOptions& option : renamed) {
        if (option.id == "B") {
            option.title = "Final";
        }
    }
    selector->setOptions(renamed);
    EXPECT_EQ(name(), "Select stamp: Final");
    selector->setSelection("unknown");
    EXPECT_EQ(selector->selection(), "unknown");
    EXPECT_FALSE(menuItem(menu, "None")->state().checked);
    EXPECT_EQ(name(), "Select stamp: None");
    EXPECT_EQ(edited.count(), 2);
}

TEST(SpecialAdditionalGenericSelector, TheSheetClosedFromInsideOpensAgain) {
    QWidget host;
    std::function<void(bool)> close;
    auto* selector = new SpecialAdditionalGenericSelector(
        "Select stamp", SPAOptions::kNoneID, stampOptions(),
        [&close](std::function<void(bool)> isPresented) {
            close = isPresented;
            auto* content = new QLabel("content");
            content->setAccessibleName("Named Sheet");
            return content;
        },
        &host);
    host.show();
    QAction* customize = selector->menu()->actions().last();
    ASSERT_EQ(customize->text(), QStringLiteral("Customize List"));
    customize->trigger();
    ASSERT_TRUE(selector->isPresented());
    EXPECT_EQ(selector->sheet()->accessibleName(), QStringLiteral("Named Sheet"));
    close(false);
    EXPECT_FALSE(selector->isPresented());
    customize->trigger();
    EXPECT_TRUE(selector->isPresented());
    close(false);
}

TEST(NameSelector, AnOffSwitchDimsTheFieldAndKeepsItsText) {
    NameSelector row("Ann", false);
    QSignalSpy typed(&row, &NameSelector::textEdited);
    EXPECT_FALSE(row.field()->isEnabled());
    EXPECT_EQ(row.field()->accessibleName(), QStringLiteral("Enter a name"));
    EXPECT_EQ(row.toggle()->toggleSwitch()->accessibleName(), QStringLiteral("Include Name"));
    row.toggle()->toggleSwitch()->click();
    EXPECT_TRUE(row.field()->isEnabled());
    EXPECT_EQ(row.field()->text(), QStringLiteral("Ann"));
    row.show();
    row.field()->setFocus();
    row.field()->end(false);
    QTest::keyClicks(row.field(), "e");
    ASSERT_EQ(typed.count(), 1);
    EXPECT_EQ(typed.at(0).at(0).value<std::string>(), "Anne");
    row.setText("Bob");
    EXPECT_EQ(row.field()->text(), QStringLiteral("Bob"));
    EXPECT_EQ(typed.count(), 1);
}

TEST(NameSelector, SetIsOnDisablesAndEnablesTheFieldWithoutEmitting) {
    NameSelector row("Ann", true);
    QSignalSpy switched(&row, &NameSelector::isOnEdited);
    ASSERT_TRUE(row.field()->isEnabled());
    // A loaded record turns the switch off, then on again.
    row.setIsOn(false);
    EXPECT_FALSE(row.field()->isEnabled());
    EXPECT_FALSE(row.toggle()->isOn());
    row.setIsOn(true);
    EXPECT_TRUE(row.field()->isEnabled());
    EXPECT_TRUE(row.toggle()->isOn());
    EXPECT_EQ(row.field()->text(), QStringLiteral("Ann"));
    EXPECT_EQ(switched.count(), 0);
}

TEST(DateSelectorPicker, EachClickedDayIsWrittenAtOnceWithThePopoverOpen) {
    QWidget host;
    const Date today = startOfToday();
    auto* selector = new DateSelector(today, false, &host);
    host.show();
    QSignalSpy edited(selector, &DateSelector::dateEdited);
    DateSelectorPicker* picker = selector->picker();
    EXPECT_EQ(picker->text(), DateSelectorPicker::formatted(today));
    picker->click();
    ASSERT_TRUE(picker->isPresented());
    QCalendarWidget* calendar = picker->sheet()->calendar();
    const QDate day = calendar->selectedDate().addDays(-1);
    Q_EMIT calendar->clicked(day);
    ASSERT_EQ(edited.count(), 1);
    EXPECT_TRUE(picker->isPresented());
    const Date picked = edited.at(0).at(0).value<Date>();
    EXPECT_EQ(picked, startOfDay(Date{today.secondsSinceReferenceDate - 3600}));
    Q_EMIT calendar->clicked(day.addDays(-1));
    EXPECT_EQ(edited.count(), 2);
    picker->setIsPresented(false);
    QTRY_VERIFY(!picker->isPresented());
    EXPECT_EQ(picker->text(), DateSelectorPicker::formatted(picker->date()));
    // Changing the date from outside changes the label and writes nothing.
    selector->setDate(today);
    EXPECT_EQ(picker->text(), DateSelectorPicker::formatted(today));
    EXPECT_EQ(edited.count(), 2);
}

TEST(DateSelectorPicker, ADayMovedToWithTheKeysIsChosenWhenThePopoverClosesButByEscape) {
    QWidget host;
    auto* picker = new DateSelectorPicker("Date", startOfToday(), &host);
    auto* other = new QLineEdit(&host);
    auto* layout = new QVBoxLayout(&host);
    layout->addWidget(picker);
    layout->addWidget(other);
    ASSERT_TRUE(test::showActive(host));
    QSignalSpy edited(picker, &DateSelectorPicker::dateEdited);
    const QDate today = QDate::currentDate();
    auto openAndMove = [&](int days) {
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_Space);
        ASSERT_TRUE(picker->isPresented());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return QApplication::focusWidget() &&
                       QApplication::focusWidget()->window() == picker->popover();
            },
            5000));
        for (int i = 0; i < days; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        }
    };

    openAndMove(1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picker->isPresented(); }, 5000));
    EXPECT_EQ(edited.count(), 0) << "Escape keeps the date";

    openAndMove(1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picker->isPresented(); }, 5000));
    ASSERT_EQ(edited.count(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == other; }, 5000))
        << "Tab goes on to the next control";
    const Date tomorrow =
        Date::fromUnixSeconds(double(today.addDays(1).startOfDay().toSecsSinceEpoch()));
    EXPECT_EQ(picker->date(), tomorrow);
    EXPECT_EQ(picker->text(), DateSelectorPicker::formatted(tomorrow));

    // Two days on, closed by a press elsewhere.
    openAndMove(2);
    QTest::mouseClick(other, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picker->isPresented(); }, 5000));
    ASSERT_EQ(edited.count(), 2);
    EXPECT_EQ(picker->date(),
              Date::fromUnixSeconds(double(today.addDays(3).startOfDay().toSecsSinceEpoch())));

    // A press elsewhere while the list of months is dropped closes both popovers, and the window
    // gets the keyboard back.
    openAndMove(0);
    DateSelectorPickerSheet* sheet = picker->sheet();
    sheet->calendar()->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"))->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return sheet->monthList() && QApplication::activeWindow() == sheet->monthList(); },
        5000));
    QTest::mouseClick(other, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picker->isPresented(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &host; }, 5000))
        << "the keyboard is nowhere";
}

TEST(StampWatermarksListView, TypedTextsAreStoredAndRowsDeletedOnlyFromTheFocusedList) {
    StampDBModel model;
    bool presented = true;
    StampWatermarksListView sheet(model, [&presented](bool shown) { presented = shown; });
    sheet.show();
    QApplication::setActiveWindow(&sheet);
    const int rows = sheet.list()->count();
    QLineEdit* field = sheet.field()->lineEdit();
    field->setFocus();
    QTest::keyClicks(field, "Seen by the board");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(sheet.field()->text().isEmpty());
    ASSERT_EQ(sheet.list()->count(), rows + 1);
    EXPECT_EQ(model.options().back().title, "Seen by the board");
    // Backspace in the field deletes no stored text.
    sheet.list()->setCurrentRow(rows);
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(sheet.list()->count(), rows + 1);
    sheet.list()->setFocus();
    QTest::keyClick(sheet.list(), Qt::Key_Delete);
    EXPECT_EQ(sheet.list()->count(), rows);
    for (const StampList& entry : FenDatabaseManager::loadStampList()) {
        EXPECT_NE(entry.name, "Seen by the board") << entry.id;
    }
    sheet.frame()->doneButton()->click();
    EXPECT_FALSE(presented);
}

struct StampPanelFixture {
    std::shared_ptr<NotificationDocumentCenter> channel =
        NotificationDocumentCenter::makeDocumentNotificationCenter();
    std::shared_ptr<MainSettingsImageHolder> holder = std::make_shared<MainSettingsImageHolder>();
    std::vector<StampSettings> writes;
    Date now = startOfToday();

    std::unique_ptr<PanelStamp> make(const StampSettings& settings) {
        return std::make_unique<PanelStamp>(
            settings, [this](const StampSettings& value) { writes.push_back(value); }, holder,
            channel, PanelStampLogic::defaultPositionItems(), WMAngles::auto_,
            [this] { return now; });
    }
};

StampSettings differingRecord(Date date) {
    StampSettings record;
    record.stampTextColor = StampTextColor{"Paid", gfx::Color{0, 0, 1, 1}};
    record.position = Positions::bottomright;
    record.angle = WMAngles::dm30;
    record.sizeopacity = SizeOpacitySetting{70, 20};
    record.datename = DateAndName{true, true, "Ann", true, date, false};
    return record;
}

TEST(PanelStamp, LoadingRecordsWritesNothingButTheReDatingOfACurrentDate) {
    StampPanelFixture fixture;
    auto panel = fixture.make(StampSettings{});
    fixture.writes.clear();
    const StampSettings record =
        differingRecord(Date{fixture.now.secondsSinceReferenceDate - 5 * 86400});
    panel->setStampConf(record);
    EXPECT_TRUE(fixture.writes.empty());
    EXPECT_EQ(panel->angles()->selectionAngle(), WMAngles::dm30);
    // The picker shows the first stored entry titled "Paid" (the store seeds one).
    const std::vector<SPAOptions>& options = panel->source()->dbModel().options();
    const auto paid = std::find_if(options.begin(), options.end(),
                                   [](const SPAOptions& option) { return option.title == "Paid"; });
    ASSERT_NE(paid, options.end());
    EXPECT_EQ(panel->source()->logic().selection(), paid->id);
    EXPECT_EQ(panel->nameAndDate()->nameSelector()->field()->text(), QStringLiteral("Ann"));

    // A text that matches no entry keeps the text, whatever the picker showed.
    StampSettings gone = record;
    gone.stampTextColor->stampText = "No such stamp";
    panel->setStampConf(gone);
    EXPECT_TRUE(fixture.writes.empty());
    EXPECT_EQ(panel->source()->logic().selection(), SPAOptions::kNoneID);

    // A current date of another day: re-dated to today, written once.
    StampSettings stale = record;
    stale.datename.isDateCurrent = true;
    panel->setStampConf(stale);
    ASSERT_EQ(fixture.writes.size(), 1u);
    EXPECT_EQ(fixture.writes[0].datename.dateValue, fixture.now);
    EXPECT_TRUE(fixture.writes[0].datename.isDateCurrent);
    EXPECT_EQ(fixture.writes[0].stampTextColor, record.stampTextColor);
}

TEST(PanelStamp, ChoosingAStoredTextWritesItAndEnablesSave) {
    StampPanelFixture fixture;
    StampSettings start;
    start.stampTextColor = StampTextColor{std::nullopt, gfx::Color{1, 0, 0, 1}};
    start.position = Positions::topleft;
    auto panel = fixture.make(start);
    EXPECT_TRUE(fixture.writes.empty());
    SpecialAdditionalStamp* source = panel->source();
    EXPECT_FALSE(source->saveButton()->isEnabled());
    EXPECT_EQ(source->openButton()->accessibleName(), QStringLiteral("Open preset"));
    const std::vector<SPAOptions>& options = source->dbModel().options();
    ASSERT_GE(options.size(), 2u);
    QAction* entry = source->selector()->menu()->actions().at(1);
    entry->trigger();
    ASSERT_EQ(fixture.writes.size(), 1u);
    EXPECT_EQ(fixture.writes[0].stampTextColor,
              (StampTextColor{options[1].title, gfx::Color{1, 0, 0, 1}}));
    EXPECT_TRUE(source->saveButton()->isEnabled());
    // The angle menu writes on the user's choice.
    Q_EMIT panel->angles()->picker()->activated(0);
    ASSERT_EQ(fixture.writes.size(), 2u);
    EXPECT_EQ(fixture.writes[1].angle, WMAngles::dm60);
    // The position grid writes through the same panel (its pages are made off the GUI thread).
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->position()->cell(Positions::middle); }));
    panel->position()->cell(Positions::middle)->click();
    ASSERT_EQ(fixture.writes.size(), 3u);
    EXPECT_EQ(fixture.writes[2].position, Positions::middle);
    EXPECT_EQ(fixture.writes[2].angle, WMAngles::dm60);
}

TEST(PanelStamp, ThePreviewFollowsTheStampMessageAndTheWellHidesWithoutAPicture) {
    StampPanelFixture fixture;
    auto panel = fixture.make(StampSettings{});
    panel->show();
    SpecialAdditionalStamp* source = panel->source();
    EXPECT_EQ(source->preview()->text(), QStringLiteral("No Stamp Selected"));
    EXPECT_FALSE(source->colorWell()->isVisible());
    const std::string name = fixture.channel->scopedName("StampImage_");
    NotificationCenter::defaultCenter().post(name,
                                             std::any(test::solidImage(40, 20, {1, 0, 0, 1})));
    ASSERT_TRUE(source->image().has_value());
    EXPECT_TRUE(source->preview()->text().isEmpty());
    EXPECT_TRUE(source->colorWell()->isVisible());
    ASSERT_TRUE(fixture.holder->stampImage.has_value());
    EXPECT_EQ(fixture.holder->stampImage->width(), 40);
    // A section built later starts from the kept picture.
    auto later = fixture.make(StampSettings{});
    EXPECT_TRUE(later->source()->image().has_value());
    // Anything but a picture empties the preview.
    NotificationCenter::defaultCenter().post(name, std::any(42));
    EXPECT_FALSE(source->image().has_value());
    EXPECT_FALSE(fixture.holder->stampImage.has_value());
    EXPECT_FALSE(source->colorWell()->isVisible());
}

TEST(PanelStamp, TabReachesBothHalvesOfTheColourWellAndThePalettesSwatches) {
    StampPanelFixture fixture;
    auto panel = fixture.make(StampSettings{});
    panel->resize(420, 760);
    ASSERT_TRUE(test::showActive(*panel));
    NotificationCenter::defaultCenter().post(fixture.channel->scopedName("StampImage_"),
                                             std::any(test::solidImage(40, 20, {1, 0, 0, 1})));
    DFColorWell* well = panel->source()->colorWell();
    ASSERT_TRUE(well->isVisible());
    QWidget* chevron = panel->source()->selector()->chevron();
    chevron->setFocus(Qt::TabFocusReason);
    QTest::keyClick(chevron, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), well->colorHalf());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), well->wheelHalf());
    // Space on the colour half opens the palette at its first swatch; Tab walks the swatches.
    well->colorHalf()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(well->colorHalf(), Qt::Key_Space);
    ASSERT_NE(well->grid(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor(
        [well] { return QApplication::focusWidget() == well->grid()->swatches()[0]; }, 2000));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), well->grid()->swatches()[1]);
    well->setShowGrid(false);
}

// The ways a switch is flipped: an assistive tool's toggle action (a screen reader's), Space
// while it has the focus, and a click.
enum class Flip { action, space, click };

void flip(QAbstractButton* control, Flip how) {
    switch (how) {
    case Flip::action: {
        QAccessibleActionInterface* actions =
            QAccessible::queryAccessibleInterface(control)->actionInterface();
        ASSERT_NE(actions, nullptr);
        ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        actions->doAction(QAccessibleActionInterface::toggleAction());
        break;
    }
    case Flip::space:
        control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(control, Qt::Key_Space);
        break;
    case Flip::click:
        QTest::mouseClick(control, Qt::LeftButton);
        break;
    }
}

TEST(PanelStamp, EachSwitchShowsHidesAndWritesAlikeByItsActionSpaceAndAClick) {
    for (const Flip how : {Flip::action, Flip::space, Flip::click}) {
        SCOPED_TRACE(how == Flip::action ? "action" : how == Flip::space ? "Space" : "click");
        StampPanelFixture fixture;
        auto panel = fixture.make(StampSettings{});
        panel->resize(420, 1000);
        ASSERT_TRUE(test::showActive(*panel));
        NameAndDate* section = panel->nameAndDate();
        NameSelector* name = section->nameSelector();
        DateSelector* date = section->dateSelector();
        const auto rowsShown = [name, date] {
            return name->isVisible() && date->isVisible() && !name->size().isEmpty() &&
                   !date->size().isEmpty();
        };
        ASSERT_FALSE(name->isVisible());
        const auto written = [&fixture] {
            return fixture.writes.empty() ? DateAndName{} : fixture.writes.back().datename;
        };

        flip(section->includeToggle()->toggleSwitch(), how);
        EXPECT_TRUE(written().isIncluded);
        EXPECT_TRUE(QTest::qWaitFor(rowsShown, 2000)) << "the name and date rows stay hidden";

        flip(name->toggle()->toggleSwitch(), how);
        EXPECT_TRUE(written().isNameActive);
        EXPECT_TRUE(name->field()->isEnabled());
        flip(date->toggle()->toggleSwitch(), how);
        EXPECT_TRUE(written().isDateActive);
        flip(name->toggle()->toggleSwitch(), how);
        EXPECT_FALSE(written().isNameActive);
        EXPECT_FALSE(name->field()->isEnabled());

        flip(section->includeToggle()->toggleSwitch(), how);
        EXPECT_FALSE(written().isIncluded);
        EXPECT_TRUE(name->isHidden());
        EXPECT_TRUE(date->isHidden());
        EXPECT_EQ(fixture.writes.size(), 5u);
    }
}

TEST(PanelStamp, TurningDateAndNameOnScrollsTheRowsIntoView) {
    StampPanelFixture fixture;
    auto panel = fixture.make(StampSettings{});
    panel->resize(420, 300);
    ASSERT_TRUE(test::showActive(*panel));
    FenForm* form = panel->form();
    ASSERT_TRUE(QTest::qWaitFor([form] { return form->viewport()->height() <= 300; }, 2000));
    const auto inView = [form](QWidget* row) {
        const QRect shown(row->mapTo(form->viewport(), QPoint(0, 0)), row->size());
        return !row->size().isEmpty() &&
               QRect(QPoint(0, 0), form->viewport()->size()).contains(shown);
    };
    // The switch at the bottom of a short column: the rows open below it.
    NameAndDate* section = panel->nameAndDate();
    KvToggle* include = section->includeToggle();
    const int switchBottom = include->mapTo(form->widget(), QPoint(0, include->height())).y();
    form->verticalScrollBar()->setValue(switchBottom - form->viewport()->height());
    ASSERT_TRUE(inView(include));

    flip(include->toggleSwitch(), Flip::action);
    // Once the column has grown to hold the rows.
    QWidget* column = form->widget();
    ASSERT_TRUE(QTest::qWaitFor(
        [column] { return column->height() >= column->minimumSizeHint().height(); }, 2000));
    EXPECT_TRUE(inView(section->nameSelector()));
    EXPECT_TRUE(inView(section->dateSelector()));
    EXPECT_TRUE(inView(include));
}

TEST(PanelStamp, APresetSavedInOneWindowGivesTheSameStampInAnother) {
    struct Window {
        std::shared_ptr<NotificationDocumentCenter> channel =
            NotificationDocumentCenter::makeDocumentNotificationCenter();
        MainSettingsTabView tab{channel, std::make_shared<FenWatermarkModel>()};
    };
    Window first;
    Window second;
    first.tab.show();
    second.tab.show();
    first.tab.controller().setTabSelection(2);
    second.tab.controller().setTabSelection(2);
    ASSERT_NE(first.tab.stampPanel(), nullptr);
    PanelStamp* panel = first.tab.stampPanel();
    for (QAction* entry : panel->source()->selector()->menu()->actions()) {
        if (entry->text() == QStringLiteral("Draft")) {
            entry->trigger();
        }
    }
    panel->angles()->picker()->setCurrentIndex(3);
    Q_EMIT panel->angles()->picker()->activated(3);
    const StampSettings saved = first.tab.controller().stampConf();
    ASSERT_EQ(saved.stampTextColor->stampText, std::optional<std::string>("Draft"));
    ASSERT_EQ(saved.angle, WMAngles::dm30);

    const std::string name = "Shared draft stamp " + newUuidString();
    postSavePresetRequest(PresetsList::stamp, name, first.channel->id());
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
    std::optional<std::string> id;
    for (const PresetItem& item : FenDatabaseManager::listStampPresetItems()) {
        if (item.title == name) {
            id = item.id;
        }
    }
    ASSERT_TRUE(id.has_value());
    postLoadPresetRequest(PresetsList::stamp, *id, second.channel->id());
    QTRY_COMPARE(second.tab.controller().stampConf().angle, WMAngles::dm30);
    const StampSettings opened = second.tab.controller().stampConf();
    EXPECT_EQ(opened.stampTextColor, saved.stampTextColor);
    EXPECT_EQ(opened.position, saved.position);
    EXPECT_EQ(opened.sizeopacity, saved.sizeopacity);
    EXPECT_EQ(opened.datename, saved.datename);
    // The second window's panel shows it: the picker on "Draft", the angle -30º.
    PanelStamp* other = second.tab.stampPanel();
    EXPECT_EQ(other->angles()->picker()->currentText(), QStringLiteral("-30º"));
    const std::vector<SPAOptions>& options = other->source()->logic().options();
    const auto draft = std::find_if(options.begin(), options.end(), [](const SPAOptions& option) {
        return option.title == "Draft";
    });
    ASSERT_NE(draft, options.end());
    EXPECT_EQ(other->source()->logic().selection(), draft->id);
    postDeletePresetRequest(PresetsList::stamp, *id, second.channel->id());
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
}

} // namespace
} // namespace fen

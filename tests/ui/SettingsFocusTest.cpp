// The document window's settings column to the keyboard and to assistive tools: Tab walks each
// page's stops in the order of the layout, top to bottom (the text list, the tabs, then the
// panel's sections in turn), then the toolbar; every stop, and every box that reports the focus
// with it, carries a name.
#include "DocumentWindowFixture.h"
#include "UiTestSupport.h"

#include "controls/CustomSegmentedPickerView.h"
#include "controls/FormContainers.h"
#include "controls/KvToggle.h"
#include "controls/PositionSelectorView.h"
#include "document/MainToolBarView.h"
#include "panels/NameAndDate.h"
#include "panels/PanelStamp.h"
#include "panels/PanelText.h"
#include "panels/WatermarkListContainerView.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QStackedWidget>

#include <set>

namespace fen {
namespace {

// What an assistive tool hears for `widget` and for every box around it that reports the focus
// with it (a box whose focus proxy it is).
std::vector<QString> focusedNames(QWidget* widget) {
    std::vector<QString> names;
    for (QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(w);
        if (node && node->state().focused) {
            names.push_back(node->text(QAccessible::Name));
        }
    }
    return names;
}

struct Window : test::DocumentWindow {
    Window() {
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }
    MainToolBarView* toolBar() const { return view->content()->body()->main()->toolBar(); }
    void showPage(int page) {
        QTest::mouseClick(tab->tabRow()->button(page), Qt::LeftButton);
        settle();
    }
    // Each stop from the one after `from` until the focus leaves the settings column, with what
    // an assistive tool hears as it lands there, and the widget the focus then goes to.
    struct Walk {
        std::vector<QWidget*> stops;
        std::vector<std::vector<QString>> heard;
        QWidget* after = nullptr;
    };
    Walk walkFrom(QWidget* from) const {
        from->setFocus(Qt::TabFocusReason);
        Walk walk;
        for (int press = 0; press < 200; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            if (!tab->isAncestorOf(now)) {
                walk.after = now;
                break;
            }
            walk.stops.push_back(now);
            walk.heard.push_back(focusedNames(now));
        }
        return walk;
    }
};

// Where a stop stands from the top of the column: the text list, the tab row, then the section of
// the panel, counted down the panel's form.
int placeFromTop(const Window& window, QWidget* stop) {
    if (window.tab->textListSlot()->isAncestorOf(stop)) {
        return 0;
    }
    if (window.tab->tabRow()->isAncestorOf(stop)) {
        return 1;
    }
    auto* form = window.tab->panels()->currentWidget()->findChild<FenForm*>();
    QWidget* row = stop;
    while (row && row->parentWidget() != form->column()) {
        row = row->parentWidget();
    }
    return row ? 2 + form->column()->layout()->indexOf(row) : -1;
}

bool takesTabFocus(const QWidget* w) {
    return (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isVisibleTo(w->window()) &&
           w->isEnabled();
}

TEST(SettingsFocus, EachPagesTabStopsRunTopToBottomThenToTheToolbarAllNamed) {
    Window window;
    for (int page = 0; page < 4; ++page) {
        SCOPED_TRACE(window.tab->tabRow()->tabs()[size_t(page)].title);
        window.showPage(page);
        if (window.tab->stampPanel() && page == 2) {
            // The name and date rows are stops too.
            window.tab->stampPanel()->nameAndDate()->includeToggle()->toggleSwitch()->click();
            window.settle();
        }
        // From the PDF area, Tab goes round to the top of the column.
        const Window::Walk walk = window.walkFrom(window.pdf);
        const std::vector<QWidget*>& stops = walk.stops;
        ASSERT_FALSE(stops.empty());
        EXPECT_EQ(stops.front(), window.tab->textList()->titleButton());
        EXPECT_EQ(walk.after, window.toolBar()->moreButton());

        int place = 0;
        for (std::size_t i = 0; i < stops.size(); ++i) {
            QWidget* stop = stops[i];
            SCOPED_TRACE(stop->metaObject()->className());
            for (const QString& name : walk.heard[i]) {
                EXPECT_FALSE(name.isEmpty()) << "a focused box without a name";
            }
            const int here = placeFromTop(window, stop);
            EXPECT_GE(here, place) << stop->accessibleName().toStdString() << " comes back up";
            place = here;
        }
        // Every stop of the page is among them, and each once.
        std::set<QWidget*> reached(stops.begin(), stops.end());
        EXPECT_EQ(reached.size(), stops.size());
        for (QWidget* w : window.tab->findChildren<QWidget*>()) {
            if (w->window() == window.view.get() && takesTabFocus(w)) {
                EXPECT_TRUE(reached.count(w)) << w->metaObject()->className() << " '"
                                              << w->accessibleName().toStdString() << "' is missed";
            }
        }
    }
}

TEST(SettingsFocus, OnTheTextPageThePositionGridComesRightAfterTheTabs) {
    Window window;
    window.showPage(0);
    auto* field = window.tab->textList()->entryBlock()->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    const std::vector<QWidget*> stops = window.walkFrom(field).stops;
    // Four tabs, then the grid's cells (one stop), then its three page dots.
    auto* grid = window.tab->panelText()->findChild<PositionSelectorView*>();
    ASSERT_NE(grid, nullptr);
    ASSERT_GE(stops.size(), 8u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(stops[size_t(i)], window.tab->tabRow()->button(i));
    }
    EXPECT_EQ(stops[4]->parentWidget()->parentWidget()->parentWidget(), grid);
    for (int dot = 0; dot < 3; ++dot) {
        EXPECT_EQ(stops[size_t(5 + dot)], grid->pageDot(dot));
        // Pages of the grid, never to be taken for the document's.
        EXPECT_EQ(grid->pageDot(dot)->accessibleName(),
                  QString("Positions, page %1 of 3").arg(dot + 1));
    }
    EXPECT_FALSE(grid->isAncestorOf(stops[8]));
    // Shift+Tab goes back the same way, one stop at a time.
    stops[7]->setFocus(Qt::TabFocusReason);
    for (std::size_t i = 7; i > 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), stops[i - 1]) << "Shift+Tab from stop " << i;
    }
}

TEST(SettingsFocus, EveryPickerIsNamedByItsRowWithTheEntryShownAsItsValue) {
    Window window;
    // By page: the names of its pickers from the top; the two "Style" rows of Other told apart.
    const QStringList expected[] = {
        {"Font", "Style"}, {"Angle"}, {"Angle"}, {"Font", "Font style", "Numbering style"}};
    for (int page = 0; page < 4; ++page) {
        SCOPED_TRACE(window.tab->tabRow()->tabs()[size_t(page)].title);
        window.showPage(page);
        QStringList names;
        for (QComboBox* picker :
             window.tab->panels()->currentWidget()->findChildren<QComboBox*>()) {
            QAccessibleInterface* node = QAccessible::queryAccessibleInterface(picker);
            ASSERT_NE(node, nullptr);
            const QString name = node->text(QAccessible::Name);
            names << name;
            EXPECT_EQ(node->role(), QAccessible::ComboBox);
            EXPECT_EQ(node->text(QAccessible::Value), picker->currentText());
            // The value is also its text, which the bridge to AT-SPI carries.
            QAccessibleTextInterface* text = node->textInterface();
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(text->text(0, text->characterCount()), picker->currentText());
            EXPECT_FALSE(picker->currentText().isEmpty()) << name.toStdString();
            EXPECT_NE(name, picker->currentText()) << "named by its value";
            // The entries stay reachable as the list below it.
            ASSERT_EQ(node->childCount(), 1);
            EXPECT_EQ(node->child(0)->object(), picker->view());
        }
        EXPECT_EQ(names, expected[page]);
    }
}

} // namespace
} // namespace fen

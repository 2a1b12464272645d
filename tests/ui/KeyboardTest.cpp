// The window from the keyboard and to assistive tools: the More popover closes as a popup does
// and is worked with keys alone, the focus returns to More, every focusable control draws where
// the focus is, Return selects a tab, icon-only controls name themselves in tooltips, and the
// divider lines are separators.
#include "UiTestSupport.h"

#include "controls/ColorAndTypeView.h"
#include "controls/Color_Color_Selector_View.h"
#include "controls/CustomSegmentedPickerView.h"
#include "controls/DFColorWell.h"
#include "controls/FormContainers.h"
#include "controls/KvToggle.h"
#include "controls/ToolBarViewButton.h"
#include "document/MainToolBarView.h"
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "model/FenWatermarkModel.h"
#include "ui/Separator.h"
#include "ui/Sheets.h"
#include "ui/Theme.h"
#include "ui/UserDefaults.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtMath>

#include <gtest/gtest.h>

namespace fen {
namespace {

// A shown, active window holding a document toolbar.
struct ToolBarHost {
    QWidget window;
    std::shared_ptr<FenWatermarkModel> model = std::make_shared<FenWatermarkModel>();
    MainToolBarView* toolBar = new MainToolBarView(std::make_shared<NotificationDocumentCenter>(),
                                                   model, QStringLiteral("report.pdf"));
    QWidget* below = new QWidget;

    ToolBarHost() {
        ui::UserDefaults().setBool(ui::UserDefaults::overWrite, false);
        auto* column = new QVBoxLayout(&window);
        column->addWidget(toolBar);
        below->setMinimumHeight(200);
        column->addWidget(below);
        window.resize(600, 300);
        EXPECT_TRUE(test::showActive(window));
    }
    ~ToolBarHost() { more()->dismiss(); }

    MainToolBarViewMoreButton* more() const { return toolBar->moreButton(); }
    QWidget* focused() const { return QApplication::focusWidget(); }
    QWidget* switchOf(const char* title) const { return more()->toggle(title)->toggleSwitch(); }

    // Opens the popover from the keyboard with `key` on a focused More.
    void openWith(Qt::Key key) {
        more()->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(focused(), more());
        QTest::keyClick(more(), key);
        ASSERT_TRUE(more()->isPresented());
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return focused() == switchOf("Overwrite Original"); }, 60000));
    }
    bool closes() const {
        return QTest::qWaitFor([this] { return !more()->isPresented(); }, 60000);
    }
};

TEST(MorePopover, ClosesOnAPressOutsideEscapeAndTheLossOfTheFocus) {
    const struct Case {
        const char* name;
        std::function<void(ToolBarHost&)> act;
    } cases[] = {
        {"a press below the toolbar",
         [](ToolBarHost& host) { QTest::mouseClick(host.below, Qt::LeftButton); }},
        {"a press on More itself",
         [](ToolBarHost& host) { QTest::mouseClick(host.more(), Qt::LeftButton); }},
        {"Escape",
         [](ToolBarHost&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }},
        {"another window taking the focus",
         [](ToolBarHost&) {
             QWidget other;
             other.resize(100, 100);
             EXPECT_TRUE(test::showActive(other));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBarHost host;
        QTest::mouseClick(host.more(), Qt::LeftButton);
        ASSERT_TRUE(host.more()->isPresented());
        // A tool window, never a popup, so that the accessibility tree shows its switches.
        EXPECT_EQ(host.more()->popover()->windowType(), Qt::Tool);
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.more()->popover()));
        c.act(host);
        EXPECT_TRUE(host.closes());
    }
}

TEST(MorePopover, IsWorkedWithTheKeyboardAloneAndGivesTheFocusBackToMore) {
    for (const Qt::Key opening : {Qt::Key_Space, Qt::Key_Return}) {
        SCOPED_TRACE(opening == Qt::Key_Space ? "Space" : "Return");
        ToolBarHost host;
        host.openWith(opening);
        QTest::keyClick(host.focused(), Qt::Key_Tab);
        EXPECT_EQ(host.focused(), host.switchOf("Secure Saving"));
        QTest::keyClick(host.focused(), Qt::Key_Tab);
        EXPECT_EQ(host.focused(), host.switchOf("Password Protected"));
        QTest::keyClick(host.focused(), Qt::Key_Tab);
        EXPECT_EQ(host.focused(), host.switchOf("Overwrite Original"));
        QTest::keyClick(host.focused(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(host.focused(), host.switchOf("Password Protected"));

        QTest::keyClick(host.focused(), Qt::Key_Space);
        EXPECT_TRUE(host.model->isPasswordProtected);
        EXPECT_TRUE(host.more()->toggle("Password Protected")->isOn());

        QTest::keyClick(host.focused(), Qt::Key_Escape);
        ASSERT_TRUE(host.closes());
        EXPECT_TRUE(QTest::qWaitFor([&host] { return host.focused() == host.more(); }, 60000));
        EXPECT_TRUE(host.window.isActiveWindow());
    }
}

// An assistive tool's toggle action on a switch, as a screen reader runs it.
void toggleByAction(QWidget* control) {
    QAccessibleActionInterface* actions =
        QAccessible::queryAccessibleInterface(control)->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
}

TEST(Switches, AnAssistiveToolsToggleSetsEachOptionAsAClickDoes) {
    ToolBarHost host;
    QTest::mouseClick(host.more(), Qt::LeftButton);
    ASSERT_TRUE(host.more()->isPresented());
    const struct Case {
        const char* title;
        std::function<bool()> option;
    } cases[] = {
        {"Overwrite Original",
         [] { return ui::UserDefaults().boolValue(ui::UserDefaults::overWrite, false); }},
        {"Secure Saving", [&host] { return host.model->isSecureSaving; }},
        {"Password Protected", [&host] { return host.model->isPasswordProtected; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ASSERT_FALSE(c.option());
        toggleByAction(host.switchOf(c.title));
        EXPECT_TRUE(c.option());
        toggleByAction(host.switchOf(c.title));
        EXPECT_FALSE(c.option());
    }

    // The text panel's "Outline" the same way.
    const gfx::Color black{0, 0, 0, 1};
    ColorAndTypeView editor({black, false}, false, black);
    std::vector<ColorOutlineSetting> writes;
    QObject::connect(&editor, &ColorAndTypeView::valueEdited,
                     [&writes](const ColorOutlineSetting& value) { writes.push_back(value); });
    toggleByAction(editor.outlineToggle()->toggleSwitch());
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_TRUE(writes[0].isOutlined);
    EXPECT_TRUE(editor.outlineToggle()->isOn());
}

TEST(ToolBar, EachButtonShowsItsNameAsItsTooltip) {
    ToolBarHost host;
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(host.more()),
                                    static_cast<QAbstractButton*>(host.toolBar->exportButton()),
                                    static_cast<QAbstractButton*>(host.toolBar->shareButton())}) {
        EXPECT_FALSE(button->accessibleName().isEmpty());
        EXPECT_EQ(button->toolTip(), button->accessibleName());
    }
    EXPECT_EQ(host.more()->toolTip(), "More");
}

std::vector<MainSettingsTab> fourTabs() {
    return SettingsTabController::defaultTabs();
}

TEST(FocusFrame, EachFocusableControlDrawsItInTheHighlightColourInBothSchemes) {
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        QWidget window;
        window.setPalette(ui::Theme::fixedPalette(dark));
        const QColor highlight = ui::Theme::fixedPalette(dark).color(QPalette::Highlight);
        auto* column = new QVBoxLayout(&window);
        auto* button = new ToolBarViewButton(false, false, QStringLiteral("square.and.arrow.up"),
                                             false, QStringLiteral("Share"), std::nullopt, {});
        auto* tabs = new CustomSegmentedPickerView(0, fourTabs());
        auto* toggle = new KvToggle(QStringLiteral("Secure Saving"), false);
        auto* menuButton = new QToolButton;
        menuButton->setProperty("symbol", QStringLiteral("chevron.up.chevron.down"));
        menuButton->setFixedSize(32, 32);
        PopupMenuButtonModifier::apply(menuButton, false);
        column->addWidget(button);
        column->addWidget(menuButton);
        column->addWidget(tabs);
        column->addWidget(toggle);
        ASSERT_TRUE(test::showActive(window));

        QWidget* const sw = toggle->toggleSwitch();
        // A point on each control's frame, clear of its symbol or track.
        const struct Case {
            const char* name;
            QWidget* control;
            QPoint onFrame;
        } cases[] = {
            {"toolbar button", button, QPoint(1, button->height() / 2)},
            {"pop-up menu button", menuButton, QPoint(1, 16)},
            {"tab", tabs->button(1), QPoint(1, tabs->button(1)->height() / 2)},
            {"switch", sw,
             QPoint(qFloor(toggle->toggleSwitch()->drawnRect().left()) - 3, sw->height() / 2)},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            window.setFocus();
            const QColor unfocused = test::pixel(*c.control, c.onFrame);
            c.control->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(c.control->hasFocus());
            const QColor focused = test::pixel(*c.control, c.onFrame);
            EXPECT_TRUE(test::near(focused, highlight, 8)) << focused.name().toStdString();
            EXPECT_FALSE(test::near(unfocused, highlight, 40)) << unfocused.name().toStdString();
        }
    }
}

TEST(FocusFrame, TheColourSwatchesBothHalvesOfTheWellAndThePalettesSwatchesDrawIt) {
    QWidget window;
    window.setPalette(ui::Theme::fixedPalette(false));
    const QColor highlight = ui::Theme::fixedPalette(false).color(QPalette::Highlight);
    auto* column = new QVBoxLayout(&window);
    const gfx::Color black{0, 0, 0, 1};
    auto* editor = new ColorAndTypeView({black, false}, false, black);
    column->addWidget(editor);
    ASSERT_TRUE(test::showActive(window));
    // "Any colour" shows the well beside the swatches.
    QTest::mouseClick(editor->swatchRow()->button(2), Qt::LeftButton);
    DFColorWell* well = editor->well();
    ASSERT_TRUE(well->isVisible());

    const auto drawsFocus = [&](QWidget* control) {
        const QPoint onFrame(1, control->height() / 2);
        const QColor unfocused = test::pixel(*control, onFrame);
        control->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(control->hasFocus());
        const QColor focused = test::pixel(*control, onFrame);
        EXPECT_TRUE(test::near(focused, highlight, 8)) << focused.name().toStdString();
        EXPECT_FALSE(test::near(unfocused, highlight, 40)) << unfocused.name().toStdString();
    };
    for (QWidget* control : std::initializer_list<QWidget*>{editor->swatchRow()->button(0),
                                                            editor->swatchRow()->button(1),
                                                            well->colorHalf(), well->wheelHalf()}) {
        SCOPED_TRACE(control->accessibleName().toStdString());
        window.setFocus();
        drawsFocus(control);
    }

    // The palette takes the focus at its first swatch; Tab moves it on, and the frame with it.
    well->setShowGrid(true);
    ASSERT_NE(well->grid(), nullptr);
    QWidget* first = well->grid()->swatches()[0];
    ASSERT_TRUE(QTest::qWaitFor([first] { return first->hasFocus(); }, 60000));
    const QPoint onFrame(1, first->height() / 2);
    const QColor focused = test::pixel(*first, onFrame);
    EXPECT_TRUE(test::near(focused, highlight, 8)) << focused.name().toStdString();
    QTest::keyClick(first, Qt::Key_Tab);
    ASSERT_TRUE(well->grid()->swatches()[1]->hasFocus());
    const QColor unfocused = test::pixel(*first, onFrame);
    EXPECT_FALSE(test::near(unfocused, highlight, 40)) << unfocused.name().toStdString();
    well->setShowGrid(false);
}

TEST(FocusFrame, TheScrollingColumnOfAPanelIsNoTabStop) {
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* before = new QPushButton(QStringLiteral("Before"));
    auto* form = new FenForm;
    auto* toggle = new KvToggle(QStringLiteral("Secure Saving"), false);
    form->addRow(toggle);
    column->addWidget(before);
    column->addWidget(form);
    ASSERT_TRUE(test::showActive(window));
    before->setFocus(Qt::TabFocusReason);
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), toggle->toggleSwitch());
}

TEST(Tabs, ReturnSelectsTheFocusedTabAsSpaceDoesAndEachTabNamesItselfInItsTooltip) {
    QWidget window;
    auto* tabs = new CustomSegmentedPickerView(0, fourTabs(), &window);
    ASSERT_TRUE(test::showActive(window));
    QSignalSpy edits(tabs, &CustomSegmentedPickerView::selectionEdited);
    const struct Case {
        int tab;
        Qt::Key key;
    } cases[] = {{2, Qt::Key_Return}, {1, Qt::Key_Space}, {3, Qt::Key_Enter}};
    for (const Case& c : cases) {
        tabs->button(c.tab)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(tabs->button(c.tab), c.key);
        EXPECT_EQ(tabs->selection(), c.tab);
        ASSERT_FALSE(edits.isEmpty());
        EXPECT_EQ(edits.takeLast().at(0).toInt(), c.tab);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tabs->button(i)->toolTip().toStdString(), tabs->tabs()[size_t(i)].title);
    }
}

TEST(Separators, TheDividerLinesAreSeparatorsToAssistiveTools) {
    QWidget window;
    auto* tabs = new CustomSegmentedPickerView(0, fourTabs(), &window);
    const QList<ui::Separator*> lines = tabs->findChildren<ui::Separator*>();
    ASSERT_EQ(lines.size(), 1);
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(lines.front());
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->role(), QAccessible::Separator);
}

} // namespace
} // namespace fen

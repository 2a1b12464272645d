// Sheet buttons and their keys, and the scrolling form.
#include "UiTestSupport.h"

#include "controls/ButtonStyles.h"
#include "controls/FormContainers.h"
#include "controls/SheetButtonModifiers.h"
#include "ui/Sheets.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

namespace {

using fen::test::showActive;

TEST(SheetButtons, DoneAndCloseAnswerEscape) {
    std::vector<bool> presented;
    fen::SheetDoneButtonModifier done(new QLabel("content"), "",
                                      [&](bool v) { presented.push_back(v); });
    ASSERT_TRUE(showActive(done));
    QTest::keyClick(&done, Qt::Key_Escape);
    EXPECT_EQ(presented, std::vector<bool>{false});
    EXPECT_EQ(done.doneButton()->text(), "Done");

    int dismissed = 0;
    fen::SheetSettingCloseButtonModifier close(new QLabel("content"), [&] { ++dismissed; });
    ASSERT_TRUE(showActive(close));
    QTest::keyClick(&close, Qt::Key_Escape);
    QTest::mouseClick(close.closeButton(), Qt::LeftButton);
    EXPECT_EQ(dismissed, 2);
}

TEST(SheetButtons, CancelOpenValidatesOnlyThroughAnEnabledOpen) {
    std::vector<std::string> calls;
    fen::SheetCancelOpenButtonModifier sheet(
        new QLabel("content"), "Saved Presets",
        [&](bool v) { calls.push_back(v ? "shown" : "closed"); }, false,
        [&] { calls.push_back("validated"); });
    ASSERT_TRUE(showActive(sheet));

    QTest::keyClick(&sheet, Qt::Key_Return); // disabled: ignored
    QTest::mouseClick(sheet.openButton(), Qt::LeftButton);
    EXPECT_TRUE(calls.empty());
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_EQ(calls, (std::vector<std::string>{"closed"}));

    calls.clear();
    sheet.setOpenButtonEnabled(true);
    QTest::keyClick(&sheet, Qt::Key_Return);
    EXPECT_EQ(calls, (std::vector<std::string>{"validated", "closed"}));
}

TEST(SheetButtons, TheKeypadsEnterConfirmsAsReturnDoes) {
    std::vector<std::string> calls;
    fen::SheetCancelOpenButtonModifier sheet(
        new QLabel("content"), "Saved Presets",
        [&](bool v) { calls.push_back(v ? "shown" : "closed"); }, false,
        [&] { calls.push_back("validated"); });
    ASSERT_TRUE(showActive(sheet));
    QTest::keyClick(&sheet, Qt::Key_Enter, Qt::KeypadModifier); // disabled: ignored
    EXPECT_TRUE(calls.empty());
    sheet.setOpenButtonEnabled(true);
    QTest::keyClick(&sheet, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(calls, (std::vector<std::string>{"validated", "closed"}));

    // An alert's default button, also from its text field.
    QWidget parent;
    ASSERT_TRUE(showActive(parent));
    int ok = 0;
    QDialog* alert =
        fen::ui::presentNameAlert(&parent, "Rename", "Draft", [&ok](const QString&) { ++ok; });
    ASSERT_TRUE(QTest::qWaitForWindowActive(alert));
    auto* field = alert->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(ok, 1);
}

TEST(FenForm, AFormTallerThanItsWindowScrolls) {
    fen::FenForm form;
    for (int i = 0; i < 6; ++i) {
        auto* rows = new QLabel(QString("Section %1").arg(i));
        rows->setMinimumHeight(80);
        form.addRow(fen::SectionModifier::apply(rows, ""));
    }
    form.resize(300, 200);
    ASSERT_TRUE(showActive(form));
    QScrollBar* bar = form.verticalScrollBar();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->maximum() > 0; }));
    EXPECT_TRUE(bar->isVisible());
    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_EQ(bar->value(), bar->maximum());
}

} // namespace

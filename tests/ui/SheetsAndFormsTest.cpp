// Sheet buttons and their keys, the toggle row and the scrolling form.
#include "controls/FormContainers.h"
#include "controls/KvToggle.h"
#include "controls/SheetButtonModifiers.h"
#include "controls/ToolBarViewButton.h"
#include "ui/Sheets.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace {

void showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

TEST(SheetButtons, DoneAndCloseAnswerEscape) {
    std::vector<bool> presented;
    fen::SheetDoneButtonModifier done(new QLabel("content"), "",
                                      [&](bool v) { presented.push_back(v); });
    showActive(done);
    QTest::keyClick(&done, Qt::Key_Escape);
    EXPECT_EQ(presented, std::vector<bool>{false});
    EXPECT_EQ(done.doneButton()->text(), "Done");

    int dismissed = 0;
    fen::SheetSettingCloseButtonModifier close(new QLabel("content"), [&] { ++dismissed; });
    showActive(close);
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
    showActive(sheet);

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

TEST(Sheets, FormSheetIgnoresEscapeAndCloseUntilFinished) {
    QWidget parent;
    showActive(parent);
    auto* sheet = new fen::ui::FormSheet(&parent);
    sheet->open();
    QVERIFY(QTest::qWaitForWindowExposed(sheet));
    QTest::keyClick(sheet, Qt::Key_Escape);
    sheet->close();
    EXPECT_TRUE(sheet->isVisible());
    sheet->finish();
    EXPECT_FALSE(sheet->isVisible());
    delete sheet;
}

TEST(KvToggle, ClickFlipsAndReportsWhileSetDoesNotEmit) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* titled = new fen::KvToggle("Overwrite Original", false);
    auto* bare = new fen::KvToggle("", true);
    layout->addWidget(titled);
    layout->addWidget(bare);
    window.resize(300, 100);
    showActive(window);
    QSignalSpy edits(titled, &fen::KvToggle::isOnEdited);
    titled->setIsOn(true);
    EXPECT_TRUE(titled->isOn());
    EXPECT_EQ(edits.count(), 0);
    QTest::mouseClick(titled->toggleSwitch(), Qt::LeftButton);
    ASSERT_EQ(edits.count(), 1);
    EXPECT_FALSE(edits.at(0).at(0).toBool());
    // The titled switch is drawn at the trailing edge of its room, the bare one at the leading.
    const QRectF titledDrawn = titled->toggleSwitch()->drawnRect();
    EXPECT_NEAR(titledDrawn.right(), titled->toggleSwitch()->width(), 0.5);
    EXPECT_NEAR(bare->toggleSwitch()->drawnRect().left(), 0, 0.5);
    EXPECT_NEAR(titledDrawn.width(), 51 * 0.67, 0.5);
    EXPECT_EQ(bare->titleLabel(), nullptr);
}

TEST(FenForm, AFormTallerThanItsWindowScrolls) {
    fen::FenForm form;
    for (int i = 0; i < 6; ++i) {
        auto* rows = new QLabel(QString("Section %1").arg(i));
        rows->setMinimumHeight(80);
        form.addRow(fen::SectionModifier::apply(rows, i == 0 ? "Position" : ""));
    }
    form.resize(300, 200);
    showActive(form);
    QScrollBar* bar = form.verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    EXPECT_TRUE(bar->isVisible());
    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_EQ(bar->value(), bar->maximum());
    // The header of a titled section is the title in upper case.
    EXPECT_FALSE(form.column()->findChildren<QLabel*>(QString()).isEmpty());
    bool header = false;
    for (QLabel* label : form.column()->findChildren<QLabel*>()) {
        header = header || label->text() == "POSITION";
    }
    EXPECT_TRUE(header);
}

} // namespace

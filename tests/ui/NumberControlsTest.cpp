// The number controls as the user works them: typing, Return and Tab in the field, dragging the
// slider, an assistive tool's new slider value and the stepper's halves, and what reaches the
// owner's binding each time.
#include "UiTestSupport.h"
#include "controls/KvStepperTextfieldCombined.h"
#include "controls/SlidersBlock.h"
#include "controls/StepperTextField.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <vector>

namespace fen {
namespace {

// A row in a window of its own, with every number it writes recorded.
struct Row {
    QWidget window;
    SlidersBlockUnit* row;
    std::vector<std::int64_t> writes;

    Row(const QString& title, std::int64_t value, std::int64_t min, std::int64_t max) {
        auto* layout = new QVBoxLayout(&window);
        row = new SlidersBlockUnit(title, value, min, max, "%", &window);
        layout->addWidget(row);
        // A second field to tab into.
        layout->addWidget(new QLineEdit(&window));
        QObject::connect(row, &SlidersBlockUnit::valueEdited, row,
                         [this](std::int64_t v) { writes.push_back(v); });
        window.resize(320, 120);
    }
    QLineEdit* field() const { return row->control()->textField()->lineEdit(); }
    QSlider* slider() const { return row->control()->slider(); }
};

void typeOver(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

TEST(NumberRow, TypingMinusFiveGivesMinusFiveAndALoneMinusNothing) {
    Row r("Vertical", 20, -100, 100);
    ASSERT_TRUE(test::showActive(r.window));
    typeOver(r.field(), "-");
    EXPECT_TRUE(r.writes.empty()) << "the emptied text and the lone minus write nothing";
    QTest::keyClicks(r.field(), "5");
    EXPECT_EQ(r.writes, std::vector<std::int64_t>{-5});
    QTest::keyClick(r.field(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(r.field()->text(), "-5");
    EXPECT_EQ(r.slider()->value(), -5);
    EXPECT_EQ(r.writes, std::vector<std::int64_t>{-5});

    // A lone minus committed with Return changes nothing: it counts as an empty text, which is
    // 0 and within these bounds.
    typeOver(r.field(), "-");
    QTest::keyClick(r.field(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(r.row->value(), -5);
    EXPECT_EQ(r.writes, std::vector<std::int64_t>{-5});
}

TEST(NumberRow, ReturnAndTabClampTheTypedNumberAfterItWasWritten) {
    Row r("Size", 50, 1, 100);
    ASSERT_TRUE(test::showActive(r.window));
    typeOver(r.field(), "300");
    EXPECT_EQ(r.writes.back(), 300) << "typing lets any readable number through";
    QTest::keyClick(r.field(), Qt::Key_Return);
    EXPECT_EQ(r.field()->text(), "300") << "the validation waits one turn of the event loop";
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.field()->text() == QString("100"); }));
    EXPECT_EQ(r.writes.back(), 100);

    typeOver(r.field(), "0");
    QTest::keyClick(r.field(), Qt::Key_Tab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.field()->text() == QString("1"); }));
    EXPECT_EQ(r.writes, (std::vector<std::int64_t>{3, 30, 300, 100, 0, 1}));
}

TEST(NumberRow, DraggingTheSliderWritesEachNewNumberAndTheFieldFollows) {
    Row r("Opacity", 0, 0, 100);
    ASSERT_TRUE(test::showActive(r.window));
    QSlider* slider = r.slider();
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                         QStyle::SC_SliderHandle, slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, handle.center());
    QMouseEvent move(QEvent::MouseMove, QPointF(slider->width() / 2, handle.center().y()),
                     slider->mapToGlobal(QPointF(slider->width() / 2, handle.center().y())),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(slider, &move);
    QTest::mouseRelease(slider, Qt::LeftButton, {},
                        QPoint(slider->width() / 2, handle.center().y()));
    ASSERT_FALSE(r.writes.empty());
    EXPECT_GT(r.writes.back(), 30);
    EXPECT_LT(r.writes.back(), 70);
    EXPECT_EQ(r.field()->text().toLongLong(), r.writes.back());
}

TEST(SizeOpacityBlock, AnAssistiveToolsSliderValueWritesTheRecordOnce) {
    SlidersBlockSizeOpacity block({70, 80}, 100);
    std::vector<SizeOpacitySetting> writes;
    QObject::connect(&block, &SlidersBlockSizeOpacity::valueEdited, &block,
                     [&writes](const SizeOpacitySetting& v) { writes.push_back(v); });
    block.show();
    QSlider* slider = block.opacityRow()->control()->slider();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(slider);
    ASSERT_TRUE(accessible && accessible->valueInterface());
    EXPECT_EQ(accessible->text(QAccessible::Name), "Opacity slider");
    accessible->valueInterface()->setCurrentValue(40);
    EXPECT_EQ(writes, (std::vector<SizeOpacitySetting>{{70, 40}}));
    EXPECT_EQ(block.opacityRow()->control()->textField()->text(), "40");
    EXPECT_EQ(block.opacityRow()->control()->textField()->lineEdit()->accessibleName(), "Opacity");
}

TEST(SizeOpacityBlock, ALoadedRecordOutsideTheBoundsIsShownAsItIsAndNotWrittenBack) {
    SlidersBlockSizeOpacity block({20, 100}, 100);
    int writes = 0;
    QObject::connect(&block, &SlidersBlockSizeOpacity::valueEdited, &block,
                     [&writes](const SizeOpacitySetting&) { ++writes; });
    block.show();
    block.setValue({150, 30});
    QApplication::processEvents();
    EXPECT_EQ(block.sizeRow()->control()->textField()->text(), "150");
    EXPECT_EQ(block.sizeRow()->control()->slider()->value(), 100) << "the slider stops at its end";
    EXPECT_EQ(block.opacityRow()->control()->textField()->text(), "30");
    EXPECT_EQ(block.value(), (SizeOpacitySetting{150, 30}));
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(block.sizeRow()->control()->slider()->minimum(), 1) << "size starts at 1";
}

TEST(Stepper, EachHalfStepsWithinTheBoundsAndTheFieldFollows) {
    const struct {
        std::int64_t start;
        bool up;
        std::int64_t expected;
        bool written;
    } cases[] = {
        {10, true, 11, true},
        {10, false, 9, true},
        {288, true, 288, false},
        {8, false, 8, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        KvStepperTextfieldCombined control(c.start, "pt", 8, 288, 1, false, true, true);
        QSignalSpy edits(&control, &KvStepperTextfieldCombined::valueEdited);
        control.show();
        KvStepper* stepper = control.stepper();
        QAbstractButton* half = c.up ? stepper->increaseButton() : stepper->decreaseButton();
        EXPECT_EQ(half->accessibleName(), c.up ? "Increase" : "Decrease");
        QTest::mouseClick(half, Qt::LeftButton, {}, half->rect().center());
        EXPECT_EQ(control.value(), c.expected);
        EXPECT_EQ(edits.count(), c.written ? 1 : 0);
        EXPECT_EQ(control.textField()->text(), QString::number(c.expected));
        EXPECT_EQ(control.textField()->unitLabel()->text(), "pt");
        EXPECT_EQ(control.slider(), nullptr);
    }
}

TEST(NumberControl, UpAndDownInTheFieldStepAsTheStepperAndPageKeysStepTenTimes) {
    // The main keys, and those of the number pad (which carry the keypad modifier).
    for (const Qt::KeyboardModifiers pad : {Qt::NoModifier, Qt::KeypadModifier}) {
        SCOPED_TRACE(pad == Qt::NoModifier ? "main keys" : "number pad");
        KvStepperTextfieldCombined control(50, "pt", 8, 288, 5, true, true, true);
        std::vector<std::int64_t> writes;
        QObject::connect(&control, &KvStepperTextfieldCombined::valueEdited, &control,
                         [&writes](std::int64_t v) { writes.push_back(v); });
        ASSERT_TRUE(test::showActive(control));
        QLineEdit* field = control.textField()->lineEdit();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Up, pad);
        EXPECT_EQ(field->text(), "55");
        QTest::keyClick(field, Qt::Key_Down, pad);
        QTest::keyClick(field, Qt::Key_Down, pad);
        QTest::keyClick(field, Qt::Key_PageUp, pad);
        EXPECT_EQ(control.slider()->value(), 95);
        QTest::keyClick(field, Qt::Key_PageDown, pad);
        EXPECT_EQ(writes, (std::vector<std::int64_t>{55, 50, 45, 95, 45}));
        // Within the bounds: the last step stops at the bound, and a step at the bound writes
        // nothing.
        QTest::keyClick(field, Qt::Key_PageDown, pad);
        QTest::keyClick(field, Qt::Key_Down, pad);
        EXPECT_EQ(control.value(), 8);
        EXPECT_EQ(writes.size(), size_t(6));
        for (int i = 0; i < 7; ++i) {
            QTest::keyClick(field, Qt::Key_PageUp, pad);
        }
        EXPECT_EQ(control.value(), 288);
        EXPECT_EQ(control.stepper()->value(), 288);
        EXPECT_EQ(field->text(), "288");
    }
}

TEST(NumberControl, AnEqualNumberFromTheOwnerKeepsTheTypedText) {
    KvStepperTextfieldCombined control(7, "", 0, 100, 1, true, true, true);
    ASSERT_TRUE(test::showActive(control));
    QLineEdit* field = control.textField()->lineEdit();
    QSignalSpy edits(&control, &KvStepperTextfieldCombined::valueEdited);
    field->setFocus();
    field->home(false);
    QTest::keyClicks(field, "00"); // "07", then "007": still the number 7
    EXPECT_EQ(field->text(), "007");
    EXPECT_EQ(edits.count(), 0);
    control.setValue(7);
    EXPECT_EQ(field->text(), "007");
    control.setValue(9);
    EXPECT_EQ(field->text(), "9");
    EXPECT_EQ(control.slider()->value(), 9);
}

TEST(NumberControl, AnOwnerThatAnswersAWriteWithAnotherNumberIsShownThatNumber) {
    KvStepperTextfieldCombined control(50, "%", 0, 100, 1, true, true, true);
    // An owner that keeps its number even: an odd number comes back one higher.
    QObject::connect(&control, &KvStepperTextfieldCombined::valueEdited, &control,
                     [&control](std::int64_t v) { control.setValue(v % 2 ? v + 1 : v); });
    control.slider()->setValue(31);
    EXPECT_EQ(control.value(), 32);
    EXPECT_EQ(control.textField()->text(), "32");
    EXPECT_EQ(control.slider()->value(), 32);
}

TEST(StepperTextField, TheActionRunsAfterReturnAndAgainOnLeavingTheField) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    std::vector<QString> seen;
    StepperTextField* field = nullptr;
    field = new StepperTextField(
        "12", "", [&] { seen.push_back(field->text()); }, &window);
    layout->addWidget(field);
    layout->addWidget(new QLineEdit(&window));
    ASSERT_TRUE(test::showActive(window));
    EXPECT_EQ(field->width(), 66);
    field->lineEdit()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == size_t(1); })); // gaining the focus
    QTest::keyClicks(field->lineEdit(), "3");
    QTest::keyClick(field->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(seen.size(), size_t(1)) << "deferred to the next turn of the event loop";
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == size_t(2); }));
    EXPECT_EQ(seen.back(), "123");
    QTest::keyClick(field->lineEdit(), Qt::Key_Tab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == size_t(3); }));
}

} // namespace
} // namespace fen

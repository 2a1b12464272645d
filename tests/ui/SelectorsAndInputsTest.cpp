// The position grid, the layer selector, the text inputs and the keyboard observer as a user (or
// the platform) works them: what they show, and what reaches the owner's binding.
#include "UiTestSupport.h"
#include "controls/BackgroundForegroundView.h"
#include "controls/KeyboardInfo.h"
#include "controls/PositionSelectorView.h"
#include "controls/TextInputs.h"
#include "platform/graphics/Geometry.h"
#include "ui/Theme.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace fen {
namespace {

using ui::Theme;

const std::vector<Positions> textPositions = {
    Positions::topleft,     Positions::topcenter,  Positions::topright,
    Positions::middle,      Positions::bottomleft, Positions::bottomcenter,
    Positions::bottomright, Positions::diagonal,   Positions::triple};

// Whether the cell shows the accent frame: the middle of its leading 4-point margin.
bool framed(PositionSelector_Item_View* cell) {
    const QColor pixel = cell->grab().toImage().pixelColor(2, cell->height() / 2);
    return test::near(pixel, Theme::accent(cell->palette()));
}

TEST(PositionGrid, ShowsFourPositionsToAPageWithPageDotsAndTheBindingsPositionFramed) {
    PositionSelectorView grid(Positions::diagonal, textPositions);
    QSignalSpy edits(&grid, &PositionSelectorView::positionEdited);
    grid.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid.pageCount() == 3; }));
    EXPECT_EQ(grid.page(0)->cells().size(), size_t(4));
    EXPECT_EQ(grid.page(2)->cells().size(), size_t(1));
    ASSERT_NE(grid.pageDot(2), nullptr);
    EXPECT_EQ(grid.height(), 144);
    EXPECT_EQ(grid.currentPage(), 0) << "the grid does not turn to the selection's page";
    EXPECT_TRUE(grid.cell(Positions::diagonal)->isSelected());
    EXPECT_TRUE(framed(grid.cell(Positions::diagonal)));
    EXPECT_FALSE(framed(grid.cell(Positions::topleft)));
    EXPECT_EQ(edits.count(), 0) << "loading the positions writes nothing";

    QTest::mouseClick(grid.pageDot(1), Qt::LeftButton);
    EXPECT_EQ(grid.currentPage(), 1);
    // A swipe to the left turns to the next page.
    const QPointF at(grid.width() / 2.0, 40);
    QWheelEvent swipe(at, grid.mapToGlobal(at), QPoint(), QPoint(-120, 0), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&grid, &swipe);
    EXPECT_EQ(grid.currentPage(), 2);
}

TEST(PositionGrid, AClickWritesThePositionOnceAndAPositionFromOutsideWritesNothing) {
    PositionSelectorView grid(Positions::diagonal, textPositions);
    std::vector<Positions> edits;
    QObject::connect(&grid, &PositionSelectorView::positionEdited, &grid,
                     [&edits](Positions p) { edits.push_back(p); });
    ASSERT_TRUE(test::showActive(grid));
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid.pageCount() == 3; }));
    PositionSelector_Item_View* topRight = grid.cell(Positions::topright);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(topRight);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Top Right");
    EXPECT_FALSE(accessible->state().selected);

    QTest::mouseClick(topRight, Qt::LeftButton);
    QTest::mouseClick(topRight, Qt::LeftButton);
    EXPECT_EQ(edits, std::vector<Positions>{Positions::topright});
    EXPECT_TRUE(accessible->state().selected);
    EXPECT_TRUE(framed(topRight));
    EXPECT_FALSE(framed(grid.cell(Positions::diagonal)));

    grid.setPosition(Positions::bottomleft);
    EXPECT_EQ(edits.size(), size_t(1));
    EXPECT_TRUE(framed(grid.cell(Positions::bottomleft)));
    EXPECT_FALSE(framed(topRight));
}

TEST(PositionGrid, IsOneKeyboardStopWhoseArrowsPageUpAndDownAndDotsReachEveryPosition) {
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* grid = new PositionSelectorView(Positions::diagonal, textPositions, &window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(before);
    layout->addWidget(grid);
    std::vector<Positions> edits;
    QObject::connect(grid, &PositionSelectorView::positionEdited, grid,
                     [&edits, grid](Positions p) {
                         edits.push_back(p);
                         grid->setPosition(p);
                     });
    ASSERT_TRUE(test::showActive(window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->pageCount() == 3; }));
    EXPECT_EQ(grid->accessibleDescription(), "Page 1 of 3");
    auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
    auto focused = [] {
        return qobject_cast<PositionSelector_Item_View*>(QApplication::focusWidget());
    };

    before->setFocus();
    key(Qt::Key_Tab);
    ASSERT_NE(focused(), nullptr);
    EXPECT_EQ(focused()->item(), Positions::topleft);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    EXPECT_EQ(focused()->item(), Positions::middle);
    EXPECT_EQ(focused()->accessibleName(), "Middle");
    key(Qt::Key_Right); // over the edge of the page onto the next one, which is shown
    EXPECT_EQ(focused()->item(), Positions::bottomleft);
    EXPECT_EQ(grid->currentPage(), 1);
    EXPECT_EQ(grid->accessibleDescription(), "Page 2 of 3");
    key(Qt::Key_Space);
    EXPECT_EQ(edits, std::vector<Positions>{Positions::bottomleft});
    key(Qt::Key_PageDown);
    EXPECT_EQ(grid->currentPage(), 2);
    EXPECT_EQ(focused()->item(), Positions::triple);
    key(Qt::Key_Right); // the last cell of all keeps the focus
    EXPECT_EQ(focused()->item(), Positions::triple);
    QTest::keyClick(focused(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(grid->position(), Positions::triple);
    key(Qt::Key_Left);
    EXPECT_EQ(focused()->item(), Positions::diagonal);
    EXPECT_EQ(grid->currentPage(), 1);
    key(Qt::Key_PageUp);
    EXPECT_EQ(focused()->item(), Positions::middle);
    key(Qt::Key_Return);
    EXPECT_EQ(grid->position(), Positions::middle);
    EXPECT_EQ(edits.size(), size_t(3));

    // The cells are one stop: Tab goes on to the page dots, and Backtab back to the cell.
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), grid->pageDot(0));
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), grid->pageDot(1));
    key(Qt::Key_Tab);
    key(Qt::Key_Space);
    EXPECT_EQ(grid->currentPage(), 2);
    key(Qt::Key_Backtab);
    key(Qt::Key_Return);
    EXPECT_EQ(grid->currentPage(), 1);
    key(Qt::Key_Backtab);
    key(Qt::Key_Backtab);
    ASSERT_NE(focused(), nullptr);
    EXPECT_EQ(focused()->item(), Positions::bottomleft)
        << "the page shown does not hold the selection: its first cell";
    key(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), before);
}

TEST(PositionGrid, EveryCellIsNamedInEnglish) {
    std::vector<Positions> all;
    for (int i = 0; i < 14; ++i) {
        all.push_back(static_cast<Positions>(i));
    }
    PositionSelectorView grid(Positions::none, all);
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid.pageCount() == 4; }));
    EXPECT_EQ(grid.cell(Positions::triple)->accessibleName(), "Triple");
    EXPECT_EQ(grid.cell(Positions::topcenter)->accessibleName(), "Top Center");
    EXPECT_EQ(grid.cell(Positions::topoddleft)->accessibleName(), "Even Number Top Right");
    EXPECT_EQ(grid.cell(Positions::bottomevenleft)->accessibleName(), "Even Number Bottom Left");
    for (Positions p : all) {
        EXPECT_FALSE(grid.cell(p)->accessibleName().startsWith("placement_"));
    }
}

TEST(LayerSelector, TheChosenButtonIsAccentWithAWhiteSymbolAndAClickSetsTheFlag) {
    BackgroundForegroundView layer(false);
    std::vector<bool> edits;
    QObject::connect(&layer, &BackgroundForegroundView::isInBackgroundEdited, &layer,
                     [&edits](bool v) { edits.push_back(v); });
    layer.resize(200, 40);
    ASSERT_TRUE(test::showActive(layer));
    auto* behind = layer.selector()->button(0);
    auto* front = layer.selector()->button(1);
    EXPECT_EQ(behind->accessibleName(), "Behind");
    EXPECT_EQ(front->accessibleName(), "In Front");

    auto looks = [](QAbstractButton* button) {
        const QImage image = button->grab().toImage();
        int accent = 0;
        int white = 0;
        // Inside the focus frame, which the button with the keyboard focus draws at its edge.
        for (int y = 3; y < image.height() - 3; ++y) {
            for (int x = 3; x < image.width() - 3; ++x) {
                const QColor c = image.pixelColor(x, y);
                accent += test::near(c, Theme::accent(button->palette())) ? 1 : 0;
                white += c.red() > 245 && c.green() > 245 && c.blue() > 245 ? 1 : 0;
            }
        }
        return std::pair{accent, white};
    };
    const auto [frontAccent, frontWhite] = looks(front);
    EXPECT_GT(frontAccent, front->width() * front->height() / 2);
    EXPECT_GT(frontWhite, 10) << "the symbol on the accent colour is white";
    EXPECT_EQ(looks(behind).first, 0);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(front)->state().selected);

    QTest::mouseClick(front, Qt::LeftButton);
    EXPECT_TRUE(edits.empty()) << "the chosen button again changes nothing";
    QTest::mouseClick(behind, Qt::LeftButton);
    EXPECT_EQ(edits, std::vector<bool>{true});
    EXPECT_TRUE(behind->isSelected());
    QTest::mouseClick(front, Qt::LeftButton);
    EXPECT_EQ(edits, (std::vector<bool>{true, false}));

    layer.setIsInBackground(true);
    EXPECT_EQ(edits.size(), size_t(2)) << "a flag from outside moves the highlight only";
    EXPECT_TRUE(behind->isSelected());
    EXPECT_FALSE(front->isSelected());
    EXPECT_EQ(BackgroundForegroundModel::flagFor(2), std::nullopt);
}

TEST(EntryField, ReturnRunsTheActionAndTheClearButtonShowsOnlyWithText) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    int actions = 0;
    auto* input = new FenViewInputNew("Enter a text watermark", "", [&actions] { ++actions; });
    layout->addWidget(input);
    auto* other = new QLineEdit(&window);
    layout->addWidget(other);
    std::vector<QString> texts;
    std::vector<bool> focus;
    QObject::connect(input, &FenViewInputNew::textEdited, input,
                     [&texts](const QString& t) { texts.push_back(t); });
    QObject::connect(input, &FenViewInputNew::isTextInputFocusedEdited, input,
                     [&focus](bool f) { focus.push_back(f); });
    ASSERT_TRUE(test::showActive(window));
    QLineEdit* field = input->lineEdit();
    EXPECT_EQ(field->accessibleName(), "Enter a text watermark");
    EXPECT_EQ(field->placeholderText(), "Enter a text watermark");
    EXPECT_FALSE(input->clearButton()->isVisible());

    // The window gave the field the focus when it was shown; another field takes it.
    other->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other->hasFocus(); }));
    EXPECT_FALSE(input->focusState());
    focus.clear();
    const QPoint inside(input->width() / 2, 8);
    const QColor unfocused = input->grab().toImage().pixelColor(inside);
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus == std::vector<bool>{true}; }));
    EXPECT_NE(input->grab().toImage().pixelColor(inside), unfocused) << "the fill brightens";
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(actions, 1) << "Return in an empty field still runs the action";

    QTest::keyClicks(field, "A");
    EXPECT_TRUE(input->clearButton()->isVisible());
    EXPECT_EQ(input->clearButton()->accessibleName(), "Clear Text");
    QTest::mouseClick(input->clearButton(), Qt::LeftButton);
    EXPECT_EQ(field->text(), "");
    EXPECT_FALSE(input->clearButton()->isVisible());
    EXPECT_EQ(texts, (std::vector<QString>{"A", ""}));
    EXPECT_EQ(actions, 1);

    other->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus == (std::vector<bool>{true, false}); }));
}

TEST(TextFieldOnValidate, ActsOnTabInTabOutAndReturn) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new QLineEdit(&window);
    auto* field = new QLineEdit(&window);
    auto* last = new QLineEdit(&window);
    for (QLineEdit* e : {first, field, last}) {
        layout->addWidget(e);
    }
    int actions = 0;
    TextFieldOnValidate::apply(field, [&actions] { ++actions; });
    ASSERT_TRUE(test::showActive(window));
    first->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->hasFocus(); }));
    QTest::keyClick(first, Qt::Key_Tab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    EXPECT_EQ(actions, 1);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(actions, 2);
    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return last->hasFocus(); }));
    EXPECT_EQ(actions, 3);
}

struct Keyboard {
    std::shared_ptr<KeyboardInfo> info = KeyboardInfo::make([] { return 34.0; });
    int announced = 0;
    ObserverToken token = NotificationCenter::defaultCenter().addObserver(
        KeyboardInfo::keyboardWillShowName, [this](const Notification&) { ++announced; });

    void post(const char* name, std::optional<double> frameHeight = std::nullopt) {
        std::map<std::string, std::any> info;
        if (frameHeight) {
            info[KeyboardInfo::frameEndUserInfoKey] = gfx::Rect{0, 0, 800, *frameHeight};
        }
        NotificationCenter::defaultCenter().post(name, {}, info);
    }
};

TEST(KeyboardInfo, ATallKeyboardIsAnnouncedOnceAndItsHeightFollowsOneTurnLater) {
    const struct {
        const char* what;
        bool shown;
        std::optional<double> frame;
        double height;
        int announced;
    } cases[] = {
        {"tall", true, 300, 266, 1},
        {"short", true, 120, 86, 0},
        {"without a frame", true, std::nullopt, 0, 0},
        {"before any will-show", false, 300, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Keyboard k;
        if (c.shown) {
            k.post(KeyboardInfo::willShowNotification);
        }
        k.post(KeyboardInfo::willChangeFrameNotification, c.frame);
        EXPECT_EQ(k.info->height(), 0) << "one turn of the main queue later";
        QTest::qWait(20);
        EXPECT_EQ(k.info->height(), c.height);
        EXPECT_EQ(k.announced, c.announced);
    }
}

TEST(KeyboardInfo, HidingSetsTheHeightToZeroAndAnnouncesNothingWhenItIsZero) {
    Keyboard k;
    int changes = 0;
    Connection counting = k.info->heightWillChange.connect([&changes](double) { ++changes; });
    k.post(KeyboardInfo::willHideNotification);
    QTest::qWait(20);
    EXPECT_EQ(changes, 0);
    k.post(KeyboardInfo::willShowNotification);
    k.post(KeyboardInfo::willChangeFrameNotification, 300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return k.info->height() == 266.0; }));
    k.post(KeyboardInfo::willHideNotification);
    EXPECT_FALSE(k.info->keyboardIsVisisble());
    ASSERT_TRUE(QTest::qWaitFor([&] { return k.info->height() == 0.0; }));
    EXPECT_EQ(changes, 2);
}

TEST(ScrollProxyModel, StartsWithoutAHandleAndAnnouncesANewOne) {
    ScrollProxyModel holder;
    int changes = 0;
    Connection counting = holder.changed.connect([&changes] { ++changes; });
    EXPECT_FALSE(holder.proxy().has_value());
    std::string scrolledTo;
    holder.setProxy(ScrollViewProxy{[&scrolledTo](const std::string& id) { scrolledTo = id; }});
    ASSERT_TRUE(holder.proxy().has_value());
    holder.proxy()->scrollTo("row-2");
    EXPECT_EQ(scrolledTo, "row-2");
    EXPECT_EQ(changes, 1);
}

} // namespace
} // namespace fen

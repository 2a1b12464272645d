// The font and colour editors as widgets: the well's palette and dialog, the colour and outline
// editor's swatches, switch and well, and the font rows on the installed fonts. The rules
// themselves are tested without widgets (FontSelectorModelTest, ColorEditorRulesTest).
#include "UiTestSupport.h"

#include "controls/ColorAndTypeView.h"
#include "controls/Color_Color_Selector_View.h"
#include "controls/DFColorWell.h"
#include "controls/FontSelectorView.h"
#include "controls/KvStepperTextfieldCombined.h"
#include "controls/KvToggle.h"
#include "controls/RoundCorner.h"
#include "controls/StepperTextField.h"
#include "model/ColorHex.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace fen {
namespace {

gfx::Color rgb(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0, 1};
}

// A chooser that answers at once with `answer` and records the colour it was opened with.
struct FakeChooser {
    QColor answer;
    std::vector<QColor> openedWith;
    DFColorWell::ColorChooser chooser() {
        return [this](QWidget*, const QColor& initial, std::function<void(const QColor&)> chosen) {
            openedWith.push_back(initial);
            chosen(answer);
        };
    }
};

TEST(RoundCorner, RoundsOnlyTheMaskedCorners) {
    const QRectF rect(0, 0, 50, 28);
    const struct {
        int mask;
        bool topLeft, topRight, bottomLeft, bottomRight; // whether the corner point is inside
    } cases[] = {
        {topLeftCorner | bottomLeftCorner, false, true, false, true},
        {topRightCorner | bottomRightCorner, true, false, true, false},
        {0, true, true, true, true},
        {15, false, false, false, false},
    };
    for (const auto& c : cases) {
        const QPainterPath path = RoundCorner{6.25, c.mask}.path(rect);
        EXPECT_EQ(path.contains(QPointF(0.3, 0.3)), c.topLeft) << c.mask;
        EXPECT_EQ(path.contains(QPointF(49.7, 0.3)), c.topRight) << c.mask;
        EXPECT_EQ(path.contains(QPointF(0.3, 27.7)), c.bottomLeft) << c.mask;
        EXPECT_EQ(path.contains(QPointF(49.7, 27.7)), c.bottomRight) << c.mask;
        EXPECT_TRUE(path.contains(QPointF(25, 14)));
        // The arc's quarter point lies on the circle of the radius.
        EXPECT_TRUE(path.contains(QPointF(6.25 - 4.3, 6.25 - 4.3)));
    }
}

TEST(DFColorWell, OpensThePaletteBelowItsColourHalfAndAPickWritesThenCloses) {
    QWidget window;
    auto* well = new DFColorWell(50, rgb(0x12, 0x34, 0x56), &window);
    well->move(20, 20);
    std::vector<gfx::Color> edits;
    QObject::connect(well, &DFColorWell::colorValueEdited,
                     [&edits](const gfx::Color& c) { edits.push_back(c); });
    ASSERT_TRUE(test::showActive(window));
    EXPECT_EQ(well->size(), QSize(103, 30));

    // A click in the colour half's trailing padding opens nothing; further in, the palette.
    QTest::mouseClick(well->colorHalf(), Qt::LeftButton, {}, QPoint(45, 14));
    EXPECT_FALSE(well->showGrid());
    QTest::mouseClick(well->colorHalf(), Qt::LeftButton, {}, QPoint(10, 14));
    ASSERT_TRUE(well->showGrid());
    QFrame* popover = well->popover();
    ASSERT_TRUE(popover->isVisible());
    const QRect half(well->colorHalf()->mapToGlobal(QPoint(0, 0)), well->colorHalf()->size());
    EXPECT_GE(popover->geometry().top(), half.bottom());
    DFColorWellGrid* grid = well->grid();
    EXPECT_EQ(grid->width(), 412);
    ASSERT_EQ(grid->swatches().size(), 30u);
    EXPECT_EQ(grid->swatches()[0]->accessibleName(), "69D6FF");
    EXPECT_TRUE(std::none_of(grid->swatches().begin(), grid->swatches().end(),
                             [](auto* s) { return s->isChecked(); }));

    QTest::mouseClick(grid->swatches()[0], Qt::LeftButton);
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0], rgb(105, 214, 255));
    EXPECT_EQ(well->colorValue(), rgb(105, 214, 255));
    EXPECT_FALSE(well->showGrid());

    // Reopened, the picked swatch carries the mark, and only it; then a click outside closes.
    well->setShowGrid(true);
    ASSERT_NE(well->grid(), nullptr);
    for (std::size_t i = 0; i < 30; ++i) {
        EXPECT_EQ(well->grid()->swatches()[i]->isChecked(), i == 0) << i;
    }
    well->popover()->close();
    EXPECT_FALSE(well->showGrid());
}

TEST(DFColorWell, DescribesTheColourItHoldsToAScreenReader) {
    DFColorWell well(50, rgb(0x12, 0x34, 0x56));
    const auto described = [&well] {
        return QAccessible::queryAccessibleInterface(well.colorHalf())
            ->text(QAccessible::Description);
    };
    EXPECT_EQ(well.colorHalf()->accessibleName(), "Colour palette");
    EXPECT_EQ(described(), "123456");
    // A palette colour is described by its swatch's name, whether set or picked.
    well.setColorValue(rgb(255, 186, 101));
    EXPECT_EQ(described(), "FFBA65");
    well.setShowGrid(true);
    ASSERT_NE(well.grid(), nullptr);
    QAbstractButton* first = well.grid()->swatches()[0];
    first->click();
    EXPECT_EQ(described(), first->accessibleName());
}

TEST(DFColorWell, DrawsTheColourHalfInItsColourAndTheWheelAsAConicGradient) {
    DFColorWell well(50, rgb(0x40, 0x9F, 0x0F));
    const QImage image = well.grab().toImage();
    EXPECT_EQ(image.pixelColor(20, 15), QColor(0x40, 0x9F, 0x0F));
    // The wheel half, centred at (77, 15): red just below angle 0, then clockwise yellow-green
    // below, blue-green at the left, blue-purple above.
    const QColor right = image.pixelColor(97, 16);
    const QColor below = image.pixelColor(77, 26);
    const QColor left = image.pixelColor(57, 15);
    const QColor above = image.pixelColor(77, 4);
    EXPECT_GT(right.red(), 200);
    EXPECT_LT(right.blue(), 80);
    EXPECT_GT(below.red(), 120);
    EXPECT_GT(below.green(), 150);
    EXPECT_LT(below.blue(), 60);
    EXPECT_GT(left.blue(), left.red() + 60);
    EXPECT_GT(above.blue(), above.green() + 80);

    // Right to left, the colour half is the right one.
    well.setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(well.colorHalf()->geometry().x(), 52);
    EXPECT_EQ(well.grab().toImage().pixelColor(80, 15), QColor(0x40, 0x9F, 0x0F));
}

TEST(DFColorWell, TheWheelHalfWritesTheDialogsColourOpaqueThroughItsRgbComponents) {
    const struct {
        QColor answer;
        const char* stored;
    } cases[] = {
        {QColor(Qt::white), "FFFFFF"},
        {QColor::fromHsvF(0, 0, 1), "FFFFFF"},
        {QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.25f), "808080"},
    };
    for (const auto& c : cases) {
        FakeChooser fake{c.answer, {}};
        DFColorWell well(50, rgb(1, 2, 3), nullptr, fake.chooser());
        std::vector<gfx::Color> edits;
        QObject::connect(&well, &DFColorWell::colorValueEdited,
                         [&edits](const gfx::Color& color) { edits.push_back(color); });
        QTest::mouseClick(well.wheelHalf(), Qt::LeftButton);
        ASSERT_EQ(fake.openedWith.size(), 1u);
        EXPECT_EQ(fake.openedWith[0], QColor(1, 2, 3));
        ASSERT_EQ(edits.size(), 1u) << c.stored;
        EXPECT_EQ(colorHexString(edits[0]), c.stored);
        EXPECT_EQ(edits[0].alpha, 1);
    }
}

struct ColourEditor {
    FakeChooser fake{QColor(Qt::white), {}};
    ColorAndTypeView view;
    std::vector<ColorOutlineSetting> writes;
    explicit ColourEditor(const ColorOutlineSetting& record)
        : view(record, true, {0, 0, 0, 1}, nullptr, fake.chooser()) {
        QObject::connect(&view, &ColorAndTypeView::valueEdited,
                         [this](const ColorOutlineSetting& s) { writes.push_back(s); });
        view.show();
    }
    bool checked(int idx) const { return view.swatchRow()->button(idx)->isChecked(); }
};

TEST(ColorAndTypeView, ShowsTheWellOnlyWhileAnyColourIsChosen) {
    ColourEditor editor({{1, 0, 0, 1}, false});
    EXPECT_FALSE(editor.view.outlineToggle()->isOn());
    EXPECT_TRUE(editor.checked(1));
    EXPECT_FALSE(editor.checked(0) || editor.checked(2));
    EXPECT_FALSE(editor.view.well()->isVisible());
    EXPECT_EQ(editor.view.swatchRow()->button(2)->accessibleName(), "Any colour");

    QTest::mouseClick(editor.view.swatchRow()->button(2), Qt::LeftButton);
    EXPECT_TRUE(editor.view.well()->isVisible());
    EXPECT_TRUE(editor.checked(2));
    EXPECT_TRUE(editor.writes.empty()); // the colour stays red

    // A palette pick in the well writes the colour with the flag as it was.
    editor.view.well()->setShowGrid(true);
    QTest::mouseClick(editor.view.well()->grid()->swatches()[13], Qt::LeftButton);
    ASSERT_EQ(editor.writes.size(), 1u);
    EXPECT_EQ(editor.writes[0], (ColorOutlineSetting{rgb(0x60, 0xB3, 0x36), false}));
    EXPECT_TRUE(editor.checked(2));

    // The white of the colour dialog is stored as white.
    QTest::mouseClick(editor.view.well()->wheelHalf(), Qt::LeftButton);
    ASSERT_EQ(editor.writes.size(), 2u);
    EXPECT_EQ(colorHexString(editor.view.value().color), "FFFFFF");

    // Black writes black and hides the well; the switch writes the flag once.
    QTest::mouseClick(editor.view.swatchRow()->button(0), Qt::LeftButton);
    EXPECT_FALSE(editor.view.well()->isVisible());
    QTest::mouseClick(editor.view.outlineToggle()->toggleSwitch(), Qt::LeftButton);
    const std::vector<ColorOutlineSetting> tail(editor.writes.begin() + 2, editor.writes.end());
    EXPECT_EQ(tail,
              (std::vector<ColorOutlineSetting>{{{0, 0, 0, 1}, false}, {{0, 0, 0, 1}, true}}));
    EXPECT_TRUE(editor.view.outlineToggle()->isOn());
}

TEST(ColorAndTypeView, ALoadedRecordWritesNothingAndAnEditKeepsItsOtherField) {
    ColourEditor editor({{0, 0, 0, 1}, false});
    const ColorOutlineSetting loaded{rgb(0xEC, 0x3D, 0x9F), true};
    editor.view.setValue(loaded);
    EXPECT_TRUE(editor.writes.empty());
    EXPECT_TRUE(editor.view.outlineToggle()->isOn());
    EXPECT_TRUE(editor.checked(2));
    EXPECT_TRUE(editor.view.well()->isVisible());
    EXPECT_EQ(editor.view.well()->colorValue(), loaded.color);

    QTest::mouseClick(editor.view.outlineToggle()->toggleSwitch(), Qt::LeftButton);
    ASSERT_EQ(editor.writes.size(), 1u);
    EXPECT_EQ(editor.writes[0], (ColorOutlineSetting{loaded.color, false}));
}

// Runs the first action an assistive tool is offered on `widget` (a check box's toggle).
void firstAccessibleAction(QWidget* widget) {
    QAccessibleActionInterface* actions =
        QAccessible::queryAccessibleInterface(widget)->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_FALSE(actions->actionNames().isEmpty());
    actions->doAction(actions->actionNames().front());
}

TEST(ColorAndTypeView, AnAssistiveToolsActionChoosesSwatchesAndPaletteColours) {
    ColourEditor editor({{0, 0, 0, 1}, false});
    firstAccessibleAction(editor.view.swatchRow()->button(1));
    ASSERT_EQ(editor.writes.size(), 1u);
    EXPECT_EQ(colorHexString(editor.writes[0].color), "FF0000");
    EXPECT_TRUE(editor.checked(1));
    firstAccessibleAction(editor.view.swatchRow()->button(1)); // chosen already: stays chosen
    EXPECT_TRUE(editor.checked(1));
    EXPECT_EQ(editor.writes.size(), 1u);

    firstAccessibleAction(editor.view.swatchRow()->button(2));
    EXPECT_TRUE(editor.checked(2));
    EXPECT_FALSE(editor.checked(1));
    editor.view.well()->setShowGrid(true);
    firstAccessibleAction(editor.view.well()->grid()->swatches()[0]);
    EXPECT_FALSE(editor.view.well()->showGrid());
    ASSERT_EQ(editor.writes.size(), 2u);
    EXPECT_EQ(colorHexString(editor.writes[1].color), "69D6FF");
    EXPECT_TRUE(editor.checked(2));
}

// The font editor on the installed fonts.
struct FontEditor {
    InstalledFontCatalog catalog;
    FontSelectorView view;
    std::vector<FontSetting> writes;
    explicit FontEditor(const FontSetting& record) : view(record, catalog) {
        QObject::connect(&view, &FontSelectorView::valueEdited,
                         [this](const FontSetting& f) { writes.push_back(f); });
        view.show();
    }
    QComboBox* family() const { return view.familyRow()->picker(); }
    QComboBox* style() const { return view.styleRow()->picker(); }
    QStringList items(QComboBox* box) const {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i) {
            texts << box->itemText(i);
        }
        return texts;
    }
};

TEST(FontSelectorView, ANewEditorGivenAnEmptyRecordWritesNothing) {
    FontEditor editor({"", "", 0});
    EXPECT_TRUE(editor.writes.empty());
    EXPECT_EQ(editor.family()->currentText(), "Helvetica Neue");
    EXPECT_EQ(editor.style()->currentText(), "Regular");
    EXPECT_EQ(editor.view.logic().model().fontSizeValue(), 17);
    // Each row's title names its list.
    for (QComboBox* box : {editor.family(), editor.style()}) {
        auto* label = box->parentWidget()->findChild<QLabel*>();
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->buddy(), box);
    }
}

TEST(FontSelectorView, TheFamilyMenuListsEachFamilyOnceInCodePointOrderDrawnInItself) {
    FontEditor editor({"Helvetica Neue", "Regular", 17});
    const QStringList families = editor.items(editor.family());
    std::vector<std::string> names;
    for (const QString& family : families) {
        names.push_back(family.toStdString());
    }
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    EXPECT_TRUE(families.contains("Helvetica Neue"));
    EXPECT_TRUE(families.contains("Nimbus Sans"));
    for (int i = 0; i < editor.family()->count(); ++i) {
        const QFont font = editor.family()->itemData(i, Qt::FontRole).value<QFont>();
        EXPECT_EQ(font.family(), families[i]);
        EXPECT_EQ(font.pixelSize(), 17);
    }
}

TEST(FontSelectorView, EachFamilyRowCarriesTheWholeNameInItsTooltipAndToAScreenReader) {
    FontEditor editor({"Helvetica Neue", "Regular", 17});
    QComboBox* box = editor.family();
    // The list draws a long name cut to its width; the row's tooltip and name are the whole name.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(box->view());
    ASSERT_NE(list, nullptr);
    QStringList named;
    for (int i = 0; i < list->childCount(); ++i) {
        named << list->child(i)->text(QAccessible::Name);
    }
    for (int i = 0; i < box->count(); ++i) {
        SCOPED_TRACE(box->itemText(i).toStdString());
        EXPECT_EQ(box->itemData(i, Qt::ToolTipRole).toString(), box->itemText(i));
        EXPECT_TRUE(named.contains(box->itemText(i)));
    }
}

// Chooses the entry `text` of `box` as the keyboard does: from its neighbour, one arrow key.
void choose(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index > 0 ? index - 1 : 1);
    QTest::keyClick(box, index > 0 ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_EQ(box->currentIndex(), index);
}

TEST(FontSelectorView, ChoosingAFamilyOffersItsFacesAndWritesTheRecordAtOnce) {
    FontEditor editor({"Helvetica Neue", "Bold", 30});
    ASSERT_TRUE(editor.writes.empty());
    // Nimbus Sans offers Bold: it stays.
    choose(editor.family(), "Nimbus Sans");
    ASSERT_EQ(editor.writes.size(), 1u);
    EXPECT_EQ(editor.writes.back(), (FontSetting{"Nimbus Sans", "Bold", 30}));
    EXPECT_EQ(editor.style()->currentText(), "Bold");

    // Z003 has one face, not Bold: its default face's style.
    choose(editor.family(), "Z003");
    EXPECT_EQ(editor.writes.back(), (FontSetting{"Z003", "Medium Italic", 30}));
    EXPECT_EQ(editor.items(editor.style()), QStringList{"Medium Italic"});

    // Choosing a style writes it with the family and size kept.
    choose(editor.family(), "DejaVu Sans Mono");
    EXPECT_EQ(editor.writes.back().style, "Book");
    choose(editor.style(), "Oblique");
    EXPECT_EQ(editor.writes.back(), (FontSetting{"DejaVu Sans Mono", "Oblique", 30}));
    EXPECT_EQ(editor.writes.size(), 4u);
}

TEST(FontSelectorView, ATypedSizeIsWrittenAtOnceAndClampedOnReturn) {
    FontEditor editor({"Nimbus Sans", "Bold", 20});
    QLineEdit* field = editor.view.sizeRow()->control()->textField()->lineEdit();
    EXPECT_EQ(field->text(), "20");
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "300");
    ASSERT_FALSE(editor.writes.empty());
    EXPECT_EQ(editor.writes.back(), (FontSetting{"Nimbus Sans", "Bold", 300}));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([field] { return field->text() == QString("288"); }));
    EXPECT_EQ(editor.writes.back(), (FontSetting{"Nimbus Sans", "Bold", 288}));

    // A record from outside that changes only the size reaches the field.
    editor.view.setValue({"Nimbus Sans", "Bold", 12});
    EXPECT_EQ(field->text(), "12");
}

TEST(FontSelectorView, ALoadedRecordWritesNothingAndAStyleTheFamilyLacksShowsNoEntry) {
    FontEditor editor({"Helvetica Neue", "Regular", 17});
    editor.view.setValue({"DejaVu Sans", "Bold", 40});
    EXPECT_TRUE(editor.writes.empty());
    EXPECT_EQ(editor.family()->currentText(), "DejaVu Sans");
    EXPECT_EQ(editor.style()->currentText(), "Bold");

    editor.view.setValue({"Nimbus Sans", "Heavy Outline", 12});
    EXPECT_TRUE(editor.writes.empty());
    EXPECT_EQ(editor.style()->currentIndex(), -1);
    EXPECT_EQ(editor.view.value().style, "Heavy Outline");

    editor.view.setValue({"No Such Family", "Bold", 12});
    EXPECT_TRUE(editor.writes.empty());
    EXPECT_EQ(editor.family()->currentIndex(), -1);
    EXPECT_EQ(editor.style()->count(), 0);
}

} // namespace
} // namespace fen

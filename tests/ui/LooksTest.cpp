// The looks of the styled buttons in each state, and the switch of every surface to the dark
// scheme at once, checked on grabbed pixels away from the label.
#include "UiTestSupport.h"

#include "controls/BackgroundModifiers.h"
#include "controls/ButtonStyles.h"
#include "controls/FormContainers.h"
#include "ui/Theme.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

namespace {

using fen::ButtonStyle;
using fen::StyledButton;
using fen::test::near;
using fen::test::over;
using fen::ui::Theme;

// A shown window with the light palette.
struct Host {
    QWidget window;
    QVBoxLayout* layout = new QVBoxLayout(&window);
    Host() { window.setPalette(Theme::fixedPalette(false)); }
    void show() { EXPECT_TRUE(fen::test::showActive(window)); }
};

StyledButton* bookmarkButton(ButtonStyle style, bool isDisabled) {
    auto* button = new StyledButton(style, isDisabled);
    button->setSymbol("bookmark", 22, fen::ui::SymbolIcon::Weight::Regular);
    button->setPadding(QMargins(8, 4, 8, 4));
    return button;
}

enum class Input { Rest, Hover, Press, HoverDisabled };

TEST(ButtonLooks, EachStyleShowsItsStatesOnTheCornerPixel) {
    const QPalette palette = Theme::fixedPalette(false);
    const QColor window = palette.color(QPalette::Window);
    const QColor primary = Theme::primary(palette);
    const QColor hover = over(window, Theme::withOpacity(primary, 0.08));
    const QColor doneHover = over(Theme::accent(palette), Theme::withOpacity(primary, 0.08));
    const struct Case {
        const char* name;
        ButtonStyle style;
        Input input;
        QColor expected;
    } cases[] = {
        {"toolbar at rest", ButtonStyle::Toolbar_ButtonStyle, Input::Rest, window},
        {"toolbar hovered", ButtonStyle::Toolbar_ButtonStyle, Input::Hover, hover},
        {"toolbar pressed", ButtonStyle::Toolbar_ButtonStyle, Input::Press,
         over(hover, Theme::withOpacity(primary, 0.1))},
        {"toolbar disabled and hovered", ButtonStyle::Toolbar_ButtonStyle, Input::HoverDisabled,
         window},
        {"sheet done at rest", ButtonStyle::SheetDoneButtonButtonStyle, Input::Rest,
         Theme::accent(palette)},
        {"sheet done hovered", ButtonStyle::SheetDoneButtonButtonStyle, Input::Hover, doneHover},
        {"sheet done pressed", ButtonStyle::SheetDoneButtonButtonStyle, Input::Press,
         over(doneHover, Theme::withOpacity(primary, 0.1))},
        {"position cell hovered", ButtonStyle::PositionSelectorButtonStyle, Input::Hover, window},
        {"position cell pressed", ButtonStyle::PositionSelectorButtonStyle, Input::Press,
         over(window, Theme::withOpacity(Qt::black, 0.1))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        auto* button = bookmarkButton(c.style, c.input == Input::HoverDisabled);
        host.layout->addWidget(button);
        host.show();
        const QPoint centre = button->rect().center();
        // The pointer starts outside the button. The offscreen platform sends no leave to a
        // button shown under the pointer where the last case left it, so the leave is sent here.
        QTest::mouseMove(&host.window, QPoint(1, 1));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !button->isHover(); }));
        const QImage rest = button->grab().toImage();
        if (c.input != Input::Rest) {
            QTest::mouseMove(button, centre);
            EXPECT_TRUE(QTest::qWaitFor([&] { return button->isHover(); }));
        }
        if (c.input == Input::Press) {
            QTest::mousePress(button, Qt::LeftButton, {}, centre);
        }
        // Inside the rounded corner's reach, clear of the symbol.
        const QColor seen = fen::test::pixel(*button, QPoint(4, centre.y()));
        EXPECT_TRUE(near(seen, c.expected))
            << seen.name().toStdString() << " expected " << c.expected.name().toStdString();
        if (c.input == Input::HoverDisabled) {
            EXPECT_EQ(button->grab().toImage(), rest);
        }
        if (c.input == Input::Press) {
            QTest::mouseRelease(button, Qt::LeftButton, {}, centre);
        }
    }
}

TEST(Theme, ADarkPaletteSwitchesPlatesFieldsAndButtonsAtOnce) {
    Host host;
    auto* rows = new QLabel("Row");
    rows->setMinimumHeight(40);
    auto* form = new fen::FenForm;
    form->addRow(fen::SectionModifier::apply(rows, ""));
    form->setMinimumSize(200, 120);
    auto* edit = new QLineEdit;
    QWidget* field = fen::FenBackgroundModifier::apply(edit);
    auto* button = bookmarkButton(ButtonStyle::Toolbar_ButtonStyle, false);
    host.layout->addWidget(form);
    host.layout->addWidget(field);
    host.layout->addWidget(button);
    host.show();
    QTest::mouseMove(button, button->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return button->isHover(); }));

    // The field is the bare field plus one point on every edge.
    EXPECT_EQ(field->size(), edit->size() + QSize(2, 2));

    auto at = [&](QWidget* widget, QPoint point) {
        return host.window.grab().toImage().pixelColor(widget->mapTo(&host.window, point));
    };
    QWidget* plate = rows->parentWidget();
    auto probes = [&] {
        return std::vector<QColor>{
            at(form->viewport(), QPoint(4, 4)),                      // system background
            at(plate, QPoint(plate->width() / 2, 3)),                // section plate
            at(edit, QPoint(edit->width() - 3, edit->height() / 2)), // field
            at(button, QPoint(4, button->height() / 2)),             // hovered button
        };
    };
    const std::vector<QColor> light = probes();
    const QPalette dark = Theme::fixedPalette(true);
    host.window.setPalette(dark);
    const std::vector<QColor> seen = probes();
    for (size_t i = 0; i < light.size(); ++i) {
        EXPECT_NE(light[i], seen[i]) << "probe " << i;
    }
    const QColor base = Theme::systemBackground(dark);
    EXPECT_TRUE(near(seen[0], base));
    EXPECT_TRUE(near(seen[1], over(base, Theme::withOpacity(Qt::white, 0.02))));
    EXPECT_TRUE(near(seen[2], Theme::secondarySystemBackground(dark)));
    EXPECT_TRUE(near(seen[3], over(dark.color(QPalette::Window),
                                   Theme::withOpacity(Theme::primary(dark), 0.08))));
}

} // namespace

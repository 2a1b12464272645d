// The looks of the styled buttons in each state, and the switch of every surface to the dark
// scheme at once, checked on grabbed pixels away from the label.
#include "UiTestSupport.h"

#include "controls/BackgroundModifiers.h"
#include "controls/ButtonStyles.h"
#include "controls/FormContainers.h"
#include "controls/ToolBarViewButton.h"
#include "ui/Theme.h"

#include <gtest/gtest.h>

#include <QAccessible>
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

// A shown window holding one button, with the light palette.
struct Host {
    QWidget window;
    QVBoxLayout* layout = new QVBoxLayout(&window);
    Host() { window.setPalette(Theme::fixedPalette(false)); }
    void show() {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

enum class Input { Rest, Hover, Press, HoverDisabled };

TEST(ButtonLooks, EachStyleShowsItsStatesOnTheCornerPixel) {
    const QPalette palette = Theme::fixedPalette(false);
    const QColor window = palette.color(QPalette::Window);
    const QColor primary = Theme::primary(palette);
    const QColor hover = over(window, Theme::withOpacity(primary, 0.08));
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
        {"other hovered", ButtonStyle::Other_ButtonStyle, Input::Hover, hover},
        {"sheet done at rest", ButtonStyle::SheetDoneButtonButtonStyle, Input::Rest,
         Theme::accent(palette)},
        {"sheet done hovered", ButtonStyle::SheetDoneButtonButtonStyle, Input::Hover,
         over(Theme::accent(palette), Theme::withOpacity(primary, 0.08))},
        {"sheet done pressed", ButtonStyle::SheetDoneButtonButtonStyle, Input::Press,
         over(over(Theme::accent(palette), Theme::withOpacity(primary, 0.08)),
              Theme::withOpacity(primary, 0.1))},
        {"sheet delete hovered", ButtonStyle::SheetDeleteButtonButtonStyle, Input::Hover,
         over(Theme::red(), Theme::withOpacity(primary, 0.08))},
        {"position cell hovered", ButtonStyle::PositionSelectorButtonStyle, Input::Hover, window},
        {"position cell pressed", ButtonStyle::PositionSelectorButtonStyle, Input::Press,
         over(window, Theme::withOpacity(Qt::black, 0.1))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        auto* button = new StyledButton(c.style, c.input == Input::HoverDisabled);
        button->setSymbol("bookmark", 22, fen::ui::SymbolIcon::Weight::Regular);
        button->setPadding(QMargins(8, 4, 8, 4));
        host.layout->addWidget(button);
        host.show();
        const QPoint centre = button->rect().center();
        // The pointer starts outside the button, wherever the last case left it.
        QTest::mouseMove(&host.window, QPoint(1, 1));
        QTRY_VERIFY(!button->isHover());
        if (c.input != Input::Rest) {
            QTest::mouseMove(button, centre);
            QTRY_VERIFY(button->isHover());
        }
        if (c.input == Input::Press) {
            QTest::mousePress(button, Qt::LeftButton, {}, centre);
        }
        // Inside the rounded corner's reach, clear of the symbol.
        const QColor seen = fen::test::pixel(*button, QPoint(4, centre.y()));
        EXPECT_TRUE(near(seen, c.expected))
            << seen.name().toStdString() << " expected " << c.expected.name().toStdString();
        if (c.input == Input::Press) {
            QTest::mouseRelease(button, Qt::LeftButton, {}, centre);
        }
    }
}

TEST(ButtonLooks, HoveredDisabledToolbarButtonGrabsLikeOneAtRest) {
    Host host;
    auto* disabled = new fen::ToolBarViewButton(false, true, "square.and.arrow.up", false, "Share",
                                                std::nullopt, [] {});
    host.layout->addWidget(disabled);
    host.show();
    const QImage rest = disabled->grab().toImage();
    QTest::mouseMove(disabled, disabled->rect().center());
    QTRY_VERIFY(disabled->isHover());
    EXPECT_EQ(disabled->grab().toImage(), rest);
}

TEST(ToolBarViewButton, RunsItsActionOncePerClickAndNeverWhileDisabled) {
    for (const bool isDisabled : {false, true}) {
        SCOPED_TRACE(isDisabled);
        Host host;
        int runs = 0;
        auto* button = new fen::ToolBarViewButton(false, isDisabled, "ellipsis", false, "More",
                                                  std::nullopt, [&runs] { ++runs; });
        host.layout->addWidget(button);
        host.show();
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        EXPECT_EQ(runs, isDisabled ? 0 : 2);
        EXPECT_FALSE(button->showsChevron()); // only "ellipsis.circle" carries the marker
    }
    fen::ToolBarViewButton more(false, false, "ellipsis.circle", false, "Export", std::nullopt,
                                [] {});
    EXPECT_TRUE(more.showsChevron());
    EXPECT_GT(more.sizeHint().width(), more.sizeHint().height() + 12);
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
    auto* button = new StyledButton(ButtonStyle::Toolbar_ButtonStyle, false);
    button->setSymbol("bookmark", 22, fen::ui::SymbolIcon::Weight::Regular);
    button->setPadding(QMargins(8, 4, 8, 4));
    host.layout->addWidget(form);
    host.layout->addWidget(field);
    host.layout->addWidget(button);
    host.show();
    QTest::mouseMove(button, button->rect().center());
    QTRY_VERIFY(button->isHover());

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

// Buttons and switches: the toolbar and special buttons, a position cell, the sheet buttons, the
// pop-up menu buttons and the toggle.
#include "Probe.h"

#include "controls/ButtonStyles.h"
#include "controls/KvToggle.h"
#include "controls/SheetButtonModifiers.h"
#include "controls/ToolBarViewButton.h"

#include <QComboBox>
#include <QToolButton>

namespace fen::probe {

namespace {

void styled(Probe& p, StyledButton* button) {
    p.target = p.shown = button;
    p.state = [&p, button] {
        return QJsonObject{{"isHover", button->isHover()},
                           {"isDown", button->isDown()},
                           {"enabled", button->isEnabled()},
                           {"actions", p.actions}};
    };
}

void toolbarButton(Probe& p, QWidget* host, bool disabled) {
    auto* button = new ToolBarViewButton(
        false, disabled, "ellipsis.circle", false, "Export", std::nullopt, [&p] { ++p.actions; },
        host);
    button->setAccessibleName("More");
    styled(p, button);
    auto base = p.state;
    p.state = [base, button] {
        QJsonObject o = base();
        o["showsChevron"] = button->showsChevron();
        return o;
    };
}

void sheetButton(Probe& p, QWidget* host, bool done) {
    auto* button = new StyledButton(done ? ButtonStyle::SheetDoneButtonButtonStyle
                                         : ButtonStyle::SheetDeleteButtonButtonStyle,
                                    false, host);
    button->setLabel(done ? "Done" : "Delete", QColor(Qt::white));
    button->setPadding(QMargins(14, 8, 14, 8));
    QObject::connect(button, &QAbstractButton::clicked, host, [&p] { ++p.actions; });
    styled(p, button);
}

void toggle(Probe& p, QWidget* host, bool bare) {
    auto* toggle = new KvToggle(bare ? "" : "Overwrite Original", false, host);
    if (bare) {
        // A bare switch is named by the selector it stands in front of.
        toggle->toggleSwitch()->setAccessibleName("Include Date");
    }
    QObject::connect(toggle, &KvToggle::isOnEdited, host, [&p](bool) { ++p.actions; });
    p.target = toggle->toggleSwitch();
    p.shown = toggle;
    p.state = [&p, toggle] {
        return QJsonObject{{"isOn", toggle->isOn()},
                           {"edits", p.actions},
                           {"switch", rectJson(toggle->toggleSwitch()->drawnRect().toRect())}};
    };
}

const Registration buttons{
    {"toolbar-button", [](Probe& p, QWidget* host) { toolbarButton(p, host, false); }},
    {"toolbar-button-disabled", [](Probe& p, QWidget* host) { toolbarButton(p, host, true); }},
    {"special-button",
     [](Probe& p, QWidget* host) {
         auto* button = new SpecialAdditionalButton(
             "bookmark", false, [&p] { ++p.actions; }, false, host);
         button->setAccessibleName("Save");
         styled(p, button);
     }},
    {"position-cell",
     [](Probe& p, QWidget* host) {
         auto* button = new StyledButton(ButtonStyle::PositionSelectorButtonStyle, false, host);
         button->setLabelFrame(QSize(40, 30));
         button->setAccessibleName("Top Left");
         QObject::connect(button, &QAbstractButton::clicked, host, [&p] { ++p.actions; });
         styled(p, button);
     }},
    {"sheet-done", [](Probe& p, QWidget* host) { sheetButton(p, host, true); }},
    {"sheet-delete", [](Probe& p, QWidget* host) { sheetButton(p, host, false); }},
    {"popup-menu",
     [](Probe& p, QWidget* host) {
         auto* button = new QToolButton(host);
         button->setProperty("symbol", "chevron.up.chevron.down");
         button->setAccessibleName("Select");
         button->setFixedSize(30, 30);
         auto* modifier = PopupMenuButtonModifier::apply(button, false);
         p.target = p.shown = button;
         p.state = [modifier] { return QJsonObject{{"isHover", modifier->isHover()}}; };
     }},
    {"popup-menu-large",
     [](Probe& p, QWidget* host) {
         auto* picker = new QComboBox(host);
         picker->addItems({"Auto", "-60°", "-50°"});
         picker->setAccessibleName("Angle");
         auto* modifier = PopupMenuButtonLargeModifier::apply(picker, false);
         p.target = p.shown = picker;
         p.state = [modifier, picker] {
             return QJsonObject{{"isHover", modifier->isHover()},
                                {"height", picker->height()},
                                {"current", picker->currentText()}};
         };
     }},
    {"toggle", [](Probe& p, QWidget* host) { toggle(p, host, false); }},
    {"toggle-bare", [](Probe& p, QWidget* host) { toggle(p, host, true); }},
};

} // namespace

} // namespace fen::probe

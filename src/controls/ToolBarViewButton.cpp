#include "controls/ToolBarViewButton.h"

#include "ui/Theme.h"

#include <QComboBox>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace fen {

using ui::SymbolIcon;
using ui::Theme;

ToolBarViewButton::ToolBarViewButton(bool isHidden, bool isDisabled, const QString& imagename,
                                     bool rotate, const QString& tooltip,
                                     std::optional<SymbolIcon::Weight> fontWeight,
                                     std::function<void()> action, QWidget* parent)
    : StyledButton(ButtonStyle::Toolbar_ButtonStyle, isDisabled, parent), isHidden_(isHidden),
      imagename_(imagename) {
    setSymbol(imagename, 22, fontWeight.value_or(SymbolIcon::Weight::Regular), rotate);
    if (showsChevron()) {
        setTrailingSymbol(QStringLiteral("chevron.down"), 12, SymbolIcon::Weight::Heavy, 6);
    }
    setPadding(QMargins(8, 4, 8, 4));
    setToolTip(tooltip);
    setAccessibleName(tooltip);
    connect(this, &QAbstractButton::clicked, this, [this, action = std::move(action)] {
        if (!isDisabledLook() && action) {
            action();
        }
    });
}

SpecialAdditionalButton::SpecialAdditionalButton(const QString& imagename, bool rotate,
                                                 std::function<void()> action, bool isDisabled,
                                                 QWidget* parent)
    : StyledButton(ButtonStyle::Other_ButtonStyle, isDisabled, parent) {
    setSymbol(imagename, 17, SymbolIcon::Weight::Medium, rotate);
    setLabelFrame(QSize(40, 30));
    setAccessibleName(imagename);
    // A disabled button sends no click, so the action never runs while disabled (setIsDisabled
    // may enable it later).
    std::function<void()> run = std::move(action);
    connect(this, &QAbstractButton::clicked, this, [run] {
        if (run) {
            run();
        }
    });
}

namespace {

// Tracks the pointer over a watched widget; true when the hover state changed.
bool trackHover(QEvent* event, bool& isHover) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::HoverEnter) {
        isHover = true;
        return true;
    }
    if (event->type() == QEvent::Leave || event->type() == QEvent::HoverLeave) {
        isHover = false;
        return true;
    }
    return false;
}

void paintHoverPlate(QWidget* widget, bool isHover, bool isDisabled) {
    if (!isHover || isDisabled) {
        return;
    }
    QPainter painter(widget);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(widget->rect()), 6, 6);
    painter.fillPath(plate, Theme::withOpacity(Theme::primary(widget->palette()), 0.08));
}

} // namespace

PopupMenuButtonModifier::PopupMenuButtonModifier(QToolButton* button, bool isDisabled)
    : QObject(button), button_(button), isDisabled_(isDisabled) {}

PopupMenuButtonModifier* PopupMenuButtonModifier::apply(QToolButton* button, bool isDisabled) {
    auto* modifier = new PopupMenuButtonModifier(button, isDisabled);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setAttribute(Qt::WA_Hover);
    button->installEventFilter(modifier);
    KvButtonDisableEffectModifier::apply(button, isDisabled);
    return modifier;
}

bool PopupMenuButtonModifier::eventFilter(QObject* watched, QEvent* event) {
    if (watched != button_) {
        return false;
    }
    if (trackHover(event, isHover_)) {
        button_->update();
        return false;
    }
    if (event->type() != QEvent::Paint) {
        return false;
    }
    paintHoverPlate(button_, isHover_, isDisabled_);
    const QColor primary = Theme::primary(button_->palette());
    const QColor foreground = isHover_ && !isDisabled_ ? primary : Theme::withOpacity(primary, 0.7);
    QPainter painter(button_);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF inner = QRectF(button_->rect()).adjusted(4, 4, -4, -4);
    const QString symbol = button_->property("symbol").toString();
    if (!symbol.isEmpty()) {
        const double side = qMin(inner.width(), inner.height());
        ui::SymbolIcon::paint(
            painter,
            QRectF(inner.center().x() - side / 2, inner.center().y() - side / 2, side, side),
            symbol, foreground, SymbolIcon::Weight::Medium);
    } else {
        QFont font = button_->font();
        font.setWeight(QFont::Medium);
        painter.setFont(font);
        painter.setPen(foreground);
        painter.drawText(inner, Qt::AlignCenter, button_->text());
    }
    paintFocusFrame(painter, *button_, QRectF(button_->rect()), 6);
    return true;
}

PopupMenuButtonLargeModifier::PopupMenuButtonLargeModifier(QComboBox* picker, bool isDisabled)
    : QObject(picker), picker_(picker), isDisabled_(isDisabled) {}

PopupMenuButtonLargeModifier* PopupMenuButtonLargeModifier::apply(QComboBox* picker,
                                                                  bool isDisabled) {
    auto* modifier = new PopupMenuButtonLargeModifier(picker, isDisabled);
    picker->setFrame(false);
    picker->setMaximumHeight(24);
    picker->setMinimumWidth(0);
    picker->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    picker->setAttribute(Qt::WA_Hover);
    QPalette palette = picker->palette();
    palette.setColor(QPalette::ButtonText, Theme::primary(palette));
    picker->setPalette(palette);
    picker->installEventFilter(modifier);
    KvButtonDisableEffectModifier::apply(picker, isDisabled);
    return modifier;
}

bool PopupMenuButtonLargeModifier::eventFilter(QObject* watched, QEvent* event) {
    if (watched != picker_) {
        return false;
    }
    if (trackHover(event, isHover_)) {
        picker_->update();
    } else if (event->type() == QEvent::Paint) {
        // Painted under the picker's own drawing, which follows.
        paintHoverPlate(picker_, isHover_, isDisabled_);
    }
    return false;
}

} // namespace fen

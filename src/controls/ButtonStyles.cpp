#include "controls/ButtonStyles.h"

#include "ui/Theme.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace fen {

using ui::Theme;

ButtonLook buttonLook(ButtonStyle style, const QPalette& palette, bool isHover, bool isPressed,
                      bool isDisabled, bool isSelected) {
    const QColor primary = Theme::primary(palette);
    ButtonLook look;
    switch (style) {
    case ButtonStyle::PositionSelectorButtonStyle:
        look.pressOverlay =
            isPressed ? Theme::withOpacity(Qt::black, 0.1) : QColor(Qt::transparent);
        look.radius = 6;
        break;
    case ButtonStyle::Toolbar_ButtonStyle:
    case ButtonStyle::Other_ButtonStyle:
        look.background =
            isHover && !isDisabled ? Theme::withOpacity(primary, 0.08) : QColor(Qt::transparent);
        look.pressOverlay =
            isPressed && !isDisabled ? Theme::withOpacity(primary, 0.1) : QColor(Qt::transparent);
        look.radius = 6;
        if (style == ButtonStyle::Toolbar_ButtonStyle) {
            look.foreground = isHover && !isDisabled ? primary : Theme::withOpacity(primary, 0.7);
        }
        look.opacity = isDisabled ? 0.5 : 1.0;
        break;
    case ButtonStyle::SheetDoneButtonButtonStyle:
    case ButtonStyle::SheetDeleteButtonButtonStyle:
        look.background = style == ButtonStyle::SheetDoneButtonButtonStyle ? Theme::accent(palette)
                                                                           : Theme::red();
        look.hoverOverlay = isHover ? Theme::withOpacity(primary, 0.08) : QColor(Qt::transparent);
        look.pressOverlay = isPressed ? Theme::withOpacity(primary, 0.1) : QColor(Qt::transparent);
        look.radius = 8;
        break;
    case ButtonStyle::BackgroundForeground_SelectorStyle:
        look.background = isSelected ? Theme::accent(palette)
                          : isHover  ? Theme::withOpacity(primary, 0.08)
                                     : QColor(Qt::transparent);
        look.pressOverlay = isPressed ? Theme::withOpacity(primary, 0.1) : QColor(Qt::transparent);
        look.foreground = isSelected ? QColor(Qt::white) : primary;
        look.radius = 6;
        break;
    }
    return look;
}

void KvButtonDisableEffectModifier::apply(QWidget* content, bool isDisabled) {
    if (!isDisabled) {
        return;
    }
    content->setEnabled(false);
    auto* effect = new QGraphicsOpacityEffect(content);
    effect->setOpacity(0.5);
    content->setGraphicsEffect(effect);
}

StyledButton::StyledButton(ButtonStyle style, bool isDisabled, QWidget* parent)
    : QAbstractButton(parent), style_(style), isDisabled_(isDisabled) {
    setEnabled(!isDisabled);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
}

void StyledButton::setSymbol(const QString& name, double points, ui::SymbolIcon::Weight weight,
                             bool mirrored) {
    symbol_ = name;
    symbolPoints_ = points;
    symbolWeight_ = weight;
    mirrored_ = mirrored;
    updateGeometry();
    update();
}

void StyledButton::setTrailingSymbol(const QString& name, double points,
                                     ui::SymbolIcon::Weight weight, double gap) {
    trailingSymbol_ = name;
    trailingPoints_ = points;
    trailingWeight_ = weight;
    trailingGap_ = gap;
    updateGeometry();
    update();
}

void StyledButton::setLabel(const QString& text, std::optional<QColor> colour) {
    label_ = text;
    labelColour_ = colour;
    setText(text);
    updateGeometry();
    update();
}

void StyledButton::setSymbolBox(double box, double trailing) {
    symbolBox_ = box;
    labelTrailing_ = trailing;
    updateGeometry();
    update();
}

void StyledButton::setIsDisabled(bool isDisabled) {
    if (isDisabled == isDisabled_) {
        return;
    }
    isDisabled_ = isDisabled;
    setEnabled(!isDisabled);
    update();
}

void StyledButton::setPadding(const QMargins& padding) {
    padding_ = padding;
    updateGeometry();
}

void StyledButton::setLabelFrame(const QSize& size) {
    labelFrame_ = size;
    updateGeometry();
}

void StyledButton::setContentColour(std::optional<QColor> colour) {
    contentColour_ = colour;
    update();
}

void StyledButton::setSelectedLook(bool isSelected) {
    isSelected_ = isSelected;
    update();
}

QSizeF StyledButton::labelSize() const {
    if (labelFrame_) {
        return QSizeF(*labelFrame_);
    }
    QSizeF size;
    if (!symbol_.isEmpty()) {
        size = QSizeF(symbolPoints_, symbolPoints_);
        if (!trailingSymbol_.isEmpty()) {
            size.rwidth() += trailingGap_ + trailingPoints_;
        }
    }
    if (!label_.isEmpty()) {
        const QFontMetricsF metrics(font());
        const QSizeF text(metrics.horizontalAdvance(label_), metrics.height());
        if (symbol_.isEmpty()) {
            return text;
        }
        const double box = symbolBoxSide();
        size = QSizeF(box + text.width() + labelTrailing_, qMax(box, text.height()));
    }
    return size;
}

double StyledButton::symbolBoxSide() const {
    return symbolBox_ > 0 ? symbolBox_ : symbolPoints_;
}

QSize StyledButton::sizeHint() const {
    const QSizeF label = labelSize();
    return QSize(qCeil(label.width()) + padding_.left() + padding_.right(),
                 qCeil(label.height()) + padding_.top() + padding_.bottom());
}

void StyledButton::paintEvent(QPaintEvent*) {
    const ButtonLook look =
        buttonLook(style_, palette(), isHover_, isDown(), isDisabled_, isSelected_);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(look.opacity);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), look.radius, look.radius);
    painter.setClipPath(clip);
    painter.fillRect(rect(), look.background);

    const QColor content = look.foreground.value_or(
        contentColour_.value_or(labelColour_.value_or(ui::Theme::primary(palette()))));
    const QRectF inner = QRectF(rect()).marginsRemoved(QMarginsF(padding_));
    if (!symbol_.isEmpty() && !label_.isEmpty()) {
        const double box = symbolBoxSide();
        const QRectF square(inner.left(), inner.center().y() - box / 2, box, box);
        const QRectF symbol(square.center().x() - symbolPoints_ / 2,
                            square.center().y() - symbolPoints_ / 2, symbolPoints_, symbolPoints_);
        ui::SymbolIcon::paint(painter, symbol, symbol_, content, symbolWeight_, mirrored_);
        painter.setPen(labelColour_.value_or(content));
        painter.setFont(font());
        painter.drawText(QRectF(square.right(), inner.top(),
                                qMax(0.0, inner.right() - square.right() - labelTrailing_),
                                inner.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, label_);
    } else if (!symbol_.isEmpty()) {
        double width = symbolPoints_;
        if (!trailingSymbol_.isEmpty()) {
            width += trailingGap_ + trailingPoints_;
        }
        const double x = inner.center().x() - width / 2;
        const QRectF main(x, inner.center().y() - symbolPoints_ / 2, symbolPoints_, symbolPoints_);
        ui::SymbolIcon::paint(painter, main, symbol_, content, symbolWeight_, mirrored_);
        if (!trailingSymbol_.isEmpty()) {
            const QRectF trailing(main.right() + trailingGap_,
                                  inner.center().y() - trailingPoints_ / 2, trailingPoints_,
                                  trailingPoints_);
            ui::SymbolIcon::paint(painter, trailing, trailingSymbol_, content, trailingWeight_);
        }
    } else if (!label_.isEmpty()) {
        painter.setPen(labelColour_.value_or(content));
        painter.setFont(font());
        painter.drawText(inner, Qt::AlignCenter, label_);
    }
    painter.fillRect(rect(), look.hoverOverlay);
    painter.fillRect(rect(), look.pressOverlay);
    paintFocusFrame(painter, *this, QRectF(rect()), look.radius);
}

void StyledButton::enterEvent(QEnterEvent* event) {
    isHover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void StyledButton::leaveEvent(QEvent* event) {
    isHover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

bool StyledButton::event(QEvent* event) {
    // A disabled widget still hears the pointer's hover: the state follows it, the look does not.
    if (event->type() == QEvent::HoverEnter) {
        isHover_ = true;
        update();
    } else if (event->type() == QEvent::HoverLeave) {
        isHover_ = false;
        update();
    }
    return QAbstractButton::event(event);
}

void paintFocusFrame(QPainter& painter, const QWidget& widget, const QRectF& bounds,
                     double radius) {
    if (!widget.hasFocus()) {
        return;
    }
    constexpr double width = 2;
    painter.save();
    painter.setClipping(false);
    painter.setOpacity(1.0);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ui::Theme::accent(widget.palette()), width));
    const QRectF frame = bounds.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    painter.drawRoundedRect(frame, qMax(0.0, radius - width / 2), qMax(0.0, radius - width / 2));
    painter.restore();
}

void StyledButton::keyPressEvent(QKeyEvent* event) {
    // Return presses the focused button as Space does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !event->isAutoRepeat()) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

} // namespace fen

#include "controls/TextInputs.h"

#include "ui/SymbolIcon.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

#include <optional>

namespace fen {

using ui::Theme;

namespace {

// A change of the field's own focus. The window losing or regaining activation, or a popup
// taking the keyboard for a moment, leaves the field the focus widget of its window: that is no
// change of its focus state.
std::optional<bool> focusChange(const QEvent* event) {
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) {
        return std::nullopt;
    }
    const auto reason = static_cast<const QFocusEvent*>(event)->reason();
    if (event->type() == QEvent::FocusOut &&
        (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)) {
        return std::nullopt;
    }
    return event->type() == QEvent::FocusIn;
}

// The clear button: the symbol alone, no frame.
class ClearButton : public QAbstractButton {
public:
    explicit ClearButton(QWidget* parent) : QAbstractButton(parent) {
        setCursor(Qt::ArrowCursor);
        setFocusPolicy(Qt::NoFocus);
        setAccessibleName(ui::tr("Clear Text"));
        setToolTip(ui::tr("Clear Text"));
    }
    QSize sizeHint() const override { return QSize(20, 16); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        // The secondary label colour: the primary one at half strength.
        const QColor secondary = Theme::withOpacity(Theme::primary(palette()), 0.5);
        const double side = 14;
        const QRectF symbol(width() - 4 - side, (height() - side) / 2, side, side);
        ui::SymbolIcon::paint(painter, symbol, "multiply.circle.fill", secondary);
    }
};

// Keeps the clear button at the trailing end of the field and shows it only while there is text.
class ClearButtonPlacer : public QObject {
public:
    ClearButtonPlacer(QLineEdit* field, QAbstractButton* button)
        : QObject(field), field_(field), button_(button) {
        field->installEventFilter(this);
        connect(field, &QLineEdit::textChanged, this, [this] { place(); });
        place();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange) {
            place();
        }
        return false;
    }

private:
    void place() {
        const QSize size = button_->sizeHint();
        const int x =
            field_->layoutDirection() == Qt::LeftToRight ? field_->width() - size.width() : 0;
        button_->setGeometry(x, (field_->height() - size.height()) / 2, size.width(),
                             size.height());
        button_->setVisible(!field_->text().isEmpty());
    }

    QLineEdit* field_;
    QAbstractButton* button_;
};

} // namespace

TextFieldOnValidate::TextFieldOnValidate(QLineEdit* field, std::function<void()> action)
    : QObject(field), action_(std::move(action)), focusState_(field->hasFocus()) {}

TextFieldOnValidate* TextFieldOnValidate::apply(QLineEdit* field, std::function<void()> action) {
    auto* modifier = new TextFieldOnValidate(field, std::move(action));
    field->installEventFilter(modifier);
    connect(field, &QLineEdit::returnPressed, modifier, [modifier] { modifier->action_(); });
    return modifier;
}

void TextFieldOnValidate::setFocusState(bool focused) {
    if (focused == focusState_) {
        return;
    }
    focusState_ = focused;
    Q_EMIT focusStateChanged(focused);
    action_();
}

bool TextFieldOnValidate::eventFilter(QObject*, QEvent* event) {
    if (const auto focused = focusChange(event)) {
        setFocusState(*focused);
    }
    return false;
}

QAbstractButton* TextFieldClearButton::apply(QLineEdit* field) {
    auto* button = new ClearButton(field);
    QMargins margins = field->textMargins();
    margins.setRight(margins.right() + button->sizeHint().width());
    field->setTextMargins(margins);
    new ClearButtonPlacer(field, button);
    QObject::connect(button, &QAbstractButton::clicked, field, [field] {
        field->setText(QString());
        // The empty text reaches the field's owner as the user's own edit.
        Q_EMIT field->textEdited(QString());
    });
    return button;
}

namespace {

// The framed plate around the entry field: a fill of the primary colour at 0.06 while the field
// has the focus and 0.02 otherwise, under a border of the primary colour at 0.1, radius 8.
class InputPlate : public QWidget {
public:
    InputPlate(const bool& focused, QWidget* parent) : QWidget(parent), focused_(focused) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor primary = Theme::primary(palette());
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), 8, 8);
        painter.fillPath(clip, Theme::withOpacity(primary, focused_ ? 0.06 : 0.02));
        painter.setPen(QPen(Theme::withOpacity(primary, 0.1), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7.5, 7.5);
    }

private:
    const bool& focused_;
};

} // namespace

FenViewInputNew::FenViewInputNew(const QString& prompt, const QString& text,
                                 std::function<void()> action, QWidget* parent)
    : QWidget(parent), action_(std::move(action)) {
    plate_ = new InputPlate(focusState_, this);
    field_ = new QLineEdit(text, plate_);
    field_->setFrame(false);
    field_->setPlaceholderText(ui::tr(prompt));
    field_->setAccessibleName(ui::tr(prompt));
    QPalette clear = field_->palette();
    clear.setBrush(QPalette::Base, Qt::transparent);
    field_->setPalette(clear);
    clear_ = TextFieldClearButton::apply(field_);
    field_->installEventFilter(this);

    auto* inner = new QHBoxLayout(plate_);
    inner->setContentsMargins(10, 8, 10, 8);
    inner->addWidget(field_);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(16, 6, 16, 14);
    outer->addWidget(plate_);

    connect(field_, &QLineEdit::textEdited, this, &FenViewInputNew::textEdited);
    connect(field_, &QLineEdit::returnPressed, this, [this] { action_(); });
}

QString FenViewInputNew::text() const {
    return field_->text();
}

void FenViewInputNew::setText(const QString& text) {
    if (field_->text() != text) {
        field_->setText(text);
    }
}

bool FenViewInputNew::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_) {
        if (const auto focused = focusChange(event); focused && *focused != focusState_) {
            focusState_ = *focused;
            plate_->update();
            Q_EMIT isTextInputFocusedEdited(focusState_);
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace fen

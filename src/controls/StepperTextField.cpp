#include "controls/StepperTextField.h"

#include "controls/BackgroundModifiers.h"
#include "controls/TextInputs.h"
#include "ui/SymbolIcon.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace fen {

using ui::Theme;

namespace {

// Keeps the unit label in the field's trailing room, 6 points from its edge.
class UnitPlacer : public QObject {
public:
    UnitPlacer(QLineEdit* field, QLabel* unit) : QObject(field), field_(field), unit_(unit) {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange) {
            const QSize size = unit_->sizeHint();
            const bool ltr = field_->layoutDirection() == Qt::LeftToRight;
            const int x = ltr ? field_->width() - 6 - size.width() : 6;
            unit_->setGeometry(x, (field_->height() - size.height()) / 2, size.width(),
                               size.height());
        }
        return false;
    }

private:
    QLineEdit* field_;
    QLabel* unit_;
};

} // namespace

StepperTextField::StepperTextField(const QString& text, const QString& unit,
                                   std::function<void()> action, QWidget* parent)
    : QWidget(parent) {
    field_ = new QLineEdit(text);
    field_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field_->setFrame(false);
    field_->setTextMargins(4, 4, 4 + 20, 4);
    field_->setInputMethodHints(Qt::ImhFormattedNumbersOnly);
    unit_ = new QLabel(unit.isEmpty() ? QString() : ui::tr(unit), field_);
    unit_->setAttribute(Qt::WA_TransparentForMouseEvents);
    // A field without a unit has no label in it, which a screen reader would come upon blank.
    unit_->setVisible(!unit.isEmpty());
    new UnitPlacer(field_, unit_);
    // The validation runs after the event that caused it, so the model has the last edit first.
    TextFieldOnValidate::apply(field_, [this, action = std::move(action)] {
        QMetaObject::invokeMethod(this, action, Qt::QueuedConnection);
    });
    connect(field_, &QLineEdit::textEdited, this, &StepperTextField::textEdited);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FenBackgroundModifier::apply(field_));
    setFixedWidth(66);
    setFocusProxy(field_);
}

QString StepperTextField::text() const {
    return field_->text();
}

void StepperTextField::setAccessibleTitle(const QString& title) {
    for (QWidget* box = field_; box; box = box == this ? nullptr : box->parentWidget()) {
        box->setAccessibleName(title);
    }
}

void StepperTextField::setText(const QString& text) {
    if (field_->text() != text) {
        field_->setText(text);
    }
}

KvStepper::KvStepper(std::int64_t value, std::int64_t minValue, std::int64_t maxValue,
                     std::int64_t step, QWidget* parent)
    : QWidget(parent), value_(value), minValue_(minValue), maxValue_(maxValue), step_(step) {
    up_ = new KvStepperHalf(this);
    up_->setAccessibleName(ui::tr("Increase"));
    down_ = new KvStepperHalf(this);
    down_->setAccessibleName(ui::tr("Decrease"));
    for (KvStepperHalf* half : {up_, down_}) {
        half->setFocusPolicy(Qt::NoFocus);
        half->setAutoRepeat(true);
    }
    connect(up_, &QAbstractButton::clicked, this, [this] { press(step_); });
    connect(down_, &QAbstractButton::clicked, this, [this] { press(-step_); });
    setFixedWidth(18);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void KvStepper::press(std::int64_t delta) {
    // The platform stepper's rule: the sum stays within the range, and cannot overflow.
    std::int64_t next = value_;
    if (delta > 0) {
        next = value_ > maxValue_ - delta ? maxValue_ : value_ + delta;
    } else if (delta < 0) {
        next = value_ < minValue_ - delta ? minValue_ : value_ + delta;
    }
    next = std::clamp(next, minValue_, maxValue_);
    if (next != value_) {
        value_ = next;
        Q_EMIT valueEdited(value_);
    }
}

void KvStepper::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

void KvStepper::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect());
    QPainterPath face;
    face.addRoundedRect(frame, 8, 8);
    painter.fillPath(face, Theme::systemBackground(palette()));
    painter.fillPath(face, Theme::withOpacity(Qt::white, 0.2));
    const QColor primary = Theme::primary(palette());
    // Two chevrons 10 points wide over and under a divider with 4 points above and below it.
    const double chevron = 10;
    const double x = frame.center().x() - chevron / 2;
    const double middle = frame.center().y();
    ui::SymbolIcon::paint(painter, QRectF(x, middle - 4 - chevron, chevron, chevron), "chevron.up",
                          primary, ui::SymbolIcon::Weight::Heavy);
    ui::SymbolIcon::paint(painter, QRectF(x, middle + 4, chevron, chevron), "chevron.down", primary,
                          ui::SymbolIcon::Weight::Heavy);
    painter.setPen(QPen(Theme::withOpacity(primary, 0.1), 1));
    painter.drawLine(QPointF(frame.left() + 2, middle), QPointF(frame.right() - 2, middle));
    painter.setPen(
        QPen(Theme::withOpacity(primary, 0.2), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 7.5, 7.5);
}

} // namespace fen

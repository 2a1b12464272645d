#include "controls/KvToggle.h"

#include "controls/ButtonStyles.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>

namespace fen {

using ui::Theme;

namespace {
constexpr double switchScale = 0.67;
}

ToggleSwitch::ToggleSwitch(bool isTrailedAligned, QWidget* parent)
    : QAbstractButton(parent), isTrailedAligned_(isTrailedAligned) {
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QRectF ToggleSwitch::drawnRect() const {
    const QSizeF full = sizeHint();
    const QSizeF drawn = full * switchScale;
    const bool trailingIsRight = layoutDirection() == Qt::LeftToRight;
    const bool anchorRight = isTrailedAligned_ == trailingIsRight;
    const double x = anchorRight ? width() - drawn.width() : 0;
    return QRectF(x, (height() - drawn.height()) / 2, drawn.width(), drawn.height());
}

bool ToggleSwitch::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = drawnRect();
    const double radius = track.height() / 2;
    const QColor on = Theme::accent(palette());
    const QColor off = Theme::withOpacity(Theme::primary(palette()), 0.16);
    if (!isEnabled()) {
        painter.setOpacity(0.5);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? on : off);
    painter.drawRoundedRect(track, radius, radius);
    const double knob = track.height() - 4;
    const bool knobRight = isChecked() == (layoutDirection() == Qt::LeftToRight);
    const double knobX = knobRight ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(Qt::white);
    painter.setPen(QPen(Theme::withOpacity(Qt::black, 0.1), 0.5));
    painter.drawEllipse(QRectF(knobX, track.top() + 2, knob, knob));
    // The frame stands 2 points clear of the track, inside the switch's room.
    const QRectF around = track.adjusted(-4, -4, 4, 4).intersected(QRectF(rect()));
    paintFocusFrame(painter, *this, around, around.height() / 2);
}

KvToggle::KvToggle(const QString& title, bool isOn, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (!title.isEmpty()) {
        title_ = new QLabel(ui::tr(title), this);
        layout->addWidget(title_);
        layout->addStretch(1);
    }
    switch_ = new ToggleSwitch(!title.isEmpty(), this);
    switch_->setChecked(isOn);
    switch_->setAccessibleName(title.isEmpty() ? QString() : ui::tr(title));
    layout->addWidget(switch_);
    if (title.isEmpty()) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    // Every flip but setIsOn's (which blocks the switch's signals) is the user's: a click, Space,
    // or an assistive tool's toggle action, which toggles without clicking.
    connect(switch_, &QAbstractButton::toggled, this,
            [this](bool checked) { Q_EMIT isOnEdited(checked); });
}

bool KvToggle::isOn() const {
    return switch_->isChecked();
}

void KvToggle::setIsOn(bool isOn) {
    const QSignalBlocker blocker(switch_);
    switch_->setChecked(isOn);
}

} // namespace fen

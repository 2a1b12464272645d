#include "controls/Color_Color_Selector_View.h"

#include "controls/ButtonStyles.h"
#include "controls/DFColorWell.h"
#include "controls/SwatchRowLogic.h"
#include "ui/Theme.h"

#include <QConicalGradient>
#include <QHBoxLayout>
#include <QPainter>

#include <cmath>

namespace fen {

using ui::Theme;

ColorButton::ColorButton(std::optional<gfx::Color> color, int idx, double width, QWidget* parent)
    : QAbstractButton(parent), color_(color), idx_(idx), width_(width) {
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
}

QSize ColorButton::sizeHint() const {
    const int side = static_cast<int>(std::ceil(width_));
    return QSize(side, side);
}

void ColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(0, 0, width_, width_);
    painter.setPen(Qt::NoPen);
    if (color_) {
        painter.setBrush(toQColor(*color_));
    } else {
        // The wheel's hues clockwise from angle 0, as the colour well's wheel half has them.
        QConicalGradient gradient(disc.center(), 0);
        const auto& colors = wheelColors();
        for (std::size_t i = 0; i < colors.size(); ++i) {
            gradient.setColorAt(1.0 - double(i) / double(colors.size() - 1), toQColor(colors[i]));
        }
        painter.setBrush(gradient);
    }
    painter.drawEllipse(disc);
    if (isChecked()) {
        const QRectF ring = QRectF(0, 0, width_ - 10, width_ - 10).translated(5, 5);
        painter.setBrush(Qt::NoBrush);
        QPen pen(Theme::systemBackground(palette()), 3, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter.setPen(pen);
        const double radius = ring.width() / 2;
        painter.drawRoundedRect(ring, radius, radius);
    }
    paintFocusFrame(painter, *this, QRectF(0, 0, width_, width_), width_ / 2);
}

Color_Color_Selector_View::Color_Color_Selector_View(double height, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    const struct {
        std::optional<gfx::Color> color;
        const char* name;
    } swatches[] = {
        {SwatchRowLogic::black(), "Black"},
        {SwatchRowLogic::red(), "Red"},
        {std::nullopt, "Any colour"},
    };
    for (int idx = 0; idx < 3; ++idx) {
        auto* button = new ColorButton(swatches[idx].color, idx, height, this);
        button->setAccessibleName(QString::fromLatin1(swatches[idx].name));
        button->setChecked(idx == selectedIdx_);
        // A click or an assistive tool's toggle flips the check state; the row then asks for the
        // swatch and shows the selection its owner settles on.
        connect(button, &QAbstractButton::toggled, this, [this, idx] {
            if (syncing_) {
                return;
            }
            Q_EMIT swatchChosen(idx);
            setSelectedIdx(selectedIdx_);
        });
        row->addWidget(button, 0, Qt::AlignVCenter);
        if (idx < 2) {
            row->addSpacing(8);
        }
        buttons_.push_back(button);
    }
}

void Color_Color_Selector_View::setSelectedIdx(int idx) {
    selectedIdx_ = idx;
    syncing_ = true;
    for (ColorButton* button : buttons_) {
        button->setChecked(button->idx() == idx);
    }
    syncing_ = false;
}

} // namespace fen

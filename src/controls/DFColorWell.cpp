#include "controls/DFColorWell.h"

#include "controls/ButtonStyles.h"
#include "controls/RoundCorner.h"
#include "model/ColorHex.h"
#include "ui/Sheets.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QColorDialog>
#include <QConicalGradient>
#include <QEvent>
#include <QFrame>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace fen {

using ui::Theme;

namespace {

// The default padding of a control, which the colour half leaves unclickable at its trailing
// edge.
constexpr int defaultPadding = 16;

// The six hues turning clockwise from angle 0 (to the right of the centre): Qt's conical
// gradient turns the other way, so the stops run from 1 down to 0.
QConicalGradient wheelGradient(const QPointF& centre) {
    QConicalGradient gradient(centre, 0);
    const auto& colors = wheelColors();
    for (std::size_t i = 0; i < colors.size(); ++i) {
        gradient.setColorAt(1.0 - double(i) / double(colors.size() - 1), toQColor(colors[i]));
    }
    return gradient;
}

QRectF toRectF(const WellRect& r) {
    return QRectF(r.x, r.y, r.width, r.height);
}

// What a screen reader calls a colour: a palette swatch is named by its hexadecimal text, and so
// is any other colour.
QString colourName(const gfx::Color& color) {
    return QString::fromStdString(colorHexString(color));
}

} // namespace

QColor toQColor(const gfx::Color& color) {
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue), static_cast<float>(color.alpha));
}

gfx::Color opaqueColor(const QColor& color) {
    float red = 0, green = 0, blue = 0;
    color.toRgb().getRgbF(&red, &green, &blue);
    return {red, green, blue, 1};
}

DFColorWellColor::DFColorWellColor(double cellWidth, QWidget* parent)
    : QAbstractButton(parent), geometry_{cellWidth} {
    setAccessibleName(QStringLiteral("Colour palette"));
    setFocusPolicy(Qt::TabFocus);
}

void DFColorWellColor::setColor(const gfx::Color& color) {
    color_ = color;
    setAccessibleDescription(colourName(color));
    update();
}

bool DFColorWellColor::hitButton(const QPoint& pos) const {
    const int trailing = isRightToLeft() ? pos.x() : width() - 1 - pos.x();
    return rect().contains(pos) && trailing >= defaultPadding;
}

void DFColorWellColor::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(0, 0, geometry_.cellWidth, geometry_.cellWidth / geometry_.coeffRatio);
    const RoundCorner shape{geometry_.halfCornerRadius(),
                            geometry_.colorHalfCorners(isRightToLeft())};
    painter.fillPath(shape.path(area), toQColor(color_));
    paintFocusFrame(painter, *this, area, shape.cornerRadius);
}

DFColorWellWheel::DFColorWellWheel(double cellWidth, QWidget* parent)
    : QAbstractButton(parent), geometry_{cellWidth} {
    setAccessibleName(QStringLiteral("Colour dialog"));
    setFocusPolicy(Qt::TabFocus);
}

void DFColorWellWheel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(0, 0, geometry_.cellWidth, geometry_.cellWidth / geometry_.coeffRatio);
    const RoundCorner shape{geometry_.halfCornerRadius(),
                            geometry_.wheelHalfCorners(isRightToLeft())};
    painter.fillPath(shape.path(area), wheelGradient(area.center()));
    paintFocusFrame(painter, *this, area, shape.cornerRadius);
}

DFColorWellGridSwatch::DFColorWellGridSwatch(const DFColorWellGridCell& cell, double markLineWidth,
                                             QWidget* parent)
    : QAbstractButton(parent), cell_(cell), markLineWidth_(markLineWidth) {
    setCheckable(true);
    setAccessibleName(colourName(cell.color));
    setFocusPolicy(Qt::TabFocus);
}

void DFColorWellGridSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (auto* grid = qobject_cast<DFColorWellGrid*>(parentWidget())) {
        painter.setClipPath(grid->clipPath().translated(-QPointF(pos())));
    }
    // The button reaches a point beyond the swatch on every side, for the mark.
    const QRectF swatch = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.fillRect(swatch, toQColor(cell_.color));
    if (isChecked()) {
        // The white frame lies inside the button's edge; a faint dark line inside it stands for
        // its shadow.
        const QRectF mark = QRectF(rect());
        const double half = markLineWidth_ / 2;
        const double inner = markLineWidth_ + 0.5;
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(0, 0, 0, 84), 1));
        painter.drawRect(mark.adjusted(inner, inner, -inner, -inner));
        QPen pen(Qt::white, markLineWidth_, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter.setPen(pen);
        painter.drawRect(mark.adjusted(half, half, -half, -half));
    }
    paintFocusFrame(painter, *this, QRectF(rect()), 0);
}

DFColorWellGrid::DFColorWellGrid(double cellWidth, const gfx::Color& colorValue, QWidget* parent)
    : QWidget(parent), model_(cellWidth) {
    const double padding = DFColorWellGridModel::padding;
    setFixedSize(static_cast<int>(std::ceil(model_.gridWidth() + 2 * padding)),
                 static_cast<int>(std::ceil(model_.gridHeight() + 2 * padding)));
    const auto cells = model_.colorWellGridCells();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        auto* swatch = new DFColorWellGridSwatch(cells[i], model_.markLineWidth(), this);
        const WellRect r = model_.swatchRect(static_cast<int>(i));
        swatch->setGeometry(QRectF(r.x + padding - 1, r.y + padding - 1, r.width + 2, r.height + 2)
                                .toAlignedRect());
        swatch->setChecked(cells[i].color == colorValue);
        // A click or an assistive tool's toggle action picks the swatch.
        connect(swatch, &QAbstractButton::toggled, this, [this, swatch] {
            if (!syncing_) {
                Q_EMIT picked(swatch->cell().color);
            }
        });
        swatches_.push_back(swatch);
    }
}

void DFColorWellGrid::setColorValue(const gfx::Color& color) {
    syncing_ = true;
    for (DFColorWellGridSwatch* swatch : swatches_) {
        swatch->setChecked(swatch->cell().color == color);
    }
    syncing_ = false;
}

QPainterPath DFColorWellGrid::clipPath() const {
    const double padding = DFColorWellGridModel::padding;
    const double radius = std::max(0.0, model_.gridCornerRadius());
    QPainterPath path;
    path.addRoundedRect(QRectF(padding, padding, model_.gridWidth(), model_.gridHeight()), radius,
                        radius);
    return path;
}

DFColorWell::DFColorWell(double cellWidth, const gfx::Color& colorValue, QWidget* parent,
                         ColorChooser chooser)
    : QWidget(parent), geometry_{cellWidth}, colorValue_(colorValue), chooser_(std::move(chooser)),
      colorHalf_(new DFColorWellColor(cellWidth, this)),
      wheel_(new DFColorWellWheel(cellWidth, this)) {
    if (!chooser_) {
        chooser_ = [](QWidget* parent, const QColor& initial,
                      std::function<void(const QColor&)> chosen) {
            auto* dialog = new QColorDialog(initial, parent);
            dialog->setOption(QColorDialog::DontUseNativeDialog);
            dialog->setOption(QColorDialog::ShowAlphaChannel, false);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(dialog, &QColorDialog::colorSelected, dialog, std::move(chosen));
            dialog->open();
        };
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    colorHalf_->setColor(colorValue_);
    connect(colorHalf_, &QAbstractButton::clicked, this, [this] { setShowGrid(true); });
    connect(wheel_, &QAbstractButton::clicked, this, &DFColorWell::openColorDialog);
    placeHalves();
}

DFColorWell::~DFColorWell() {
    if (popover_) {
        popover_->removeEventFilter(this);
        delete popover_.data();
    }
}

QSize DFColorWell::sizeHint() const {
    return QSize(static_cast<int>(std::ceil(geometry_.wellWidth())),
                 static_cast<int>(std::ceil(geometry_.wellHeight())));
}

void DFColorWell::setAccessibleTitle(const QString& title) {
    setAccessibleName(title);
    colorHalf_->setAccessibleName(ui::tr("%1 colour palette").arg(title));
    wheel_->setAccessibleName(ui::tr("%1 colour dialog").arg(title));
}

void DFColorWell::setColorValue(const gfx::Color& color) {
    colorValue_ = color;
    colorHalf_->setColor(color);
    if (DFColorWellGrid* shown = grid()) {
        shown->setColorValue(color);
    }
}

DFColorWellGrid* DFColorWell::grid() const {
    return popover_ ? popover_->findChild<DFColorWellGrid*>() : nullptr;
}

void DFColorWell::setShowGrid(bool show) {
    if (show == showGrid()) {
        return;
    }
    if (!show) {
        QFrame* shown = popover_;
        popover_ = nullptr;
        shown->removeEventFilter(this);
        shown->close();
        return;
    }
    QFrame* popover = ui::makePopover(colorHalf_);
    auto* layout = new QVBoxLayout(popover);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* content = new DFColorWellGrid(geometry_.gridCellWidth(), colorValue_, popover);
    layout->addWidget(content);
    connect(content, &DFColorWellGrid::picked, this, [this](const gfx::Color& color) {
        pick(color);
        setShowGrid(false);
    });
    popover_ = popover;
    // A popover closed from outside (a click elsewhere, Escape) hides the palette too.
    popover->installEventFilter(this);
    ui::showPopover(popover, colorHalf_);
}

void DFColorWell::openColorDialog() {
    QPointer<DFColorWell> guard(this);
    chooser_(window(), toQColor(colorValue_), [guard](const QColor& color) {
        if (guard && color.isValid()) {
            guard->pick(opaqueColor(color));
        }
    });
}

void DFColorWell::pick(const gfx::Color& color) {
    const bool changed = color != colorValue_;
    setColorValue(color);
    if (changed) {
        Q_EMIT colorValueEdited(color);
    }
}

void DFColorWell::placeHalves() {
    const bool rtl = isRightToLeft();
    colorHalf_->setGeometry(toRectF(geometry_.colorHalf(rtl)).toAlignedRect());
    wheel_->setGeometry(toRectF(geometry_.wheelHalf(rtl)).toAlignedRect());
}

void DFColorWell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = geometry_.wellCornerRadius();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::withOpacity(Theme::primary(palette()), 0.2));
    painter.drawRoundedRect(QRectF(0, 0, geometry_.wellWidth(), geometry_.wellHeight()), radius,
                            radius);
}

void DFColorWell::resizeEvent(QResizeEvent*) {
    placeHalves();
}

void DFColorWell::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LayoutDirectionChange) {
        placeHalves();
        update();
    }
    QWidget::changeEvent(event);
}

bool DFColorWell::eventFilter(QObject* watched, QEvent* event) {
    if (watched == popover_ && (event->type() == QEvent::Hide || event->type() == QEvent::Close)) {
        popover_->removeEventFilter(this);
        popover_ = nullptr;
    }
    return QWidget::eventFilter(watched, event);
}

void DFColorWell::hideEvent(QHideEvent*) {
    setShowGrid(false);
}

} // namespace fen

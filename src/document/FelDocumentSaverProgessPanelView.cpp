#include "document/FelDocumentSaverProgessPanelView.h"

#include "export/FelDocumentSaverProgressModel.h"
#include "ui/Theme.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QVBoxLayout>

#include <cmath>

namespace fen {

namespace {

constexpr int panelWidth = 400;
constexpr double panelRadius = 10;
constexpr double buttonRadius = 8;
// The platform's default padding.
constexpr int padding = 16;

} // namespace

FelDocumentSaverProgessButton::FelDocumentSaverProgessButton(const QString& title, QWidget* parent)
    : QPushButton(title, parent) {
    setAttribute(Qt::WA_Hover);
    QFont font = this->font();
    font.setWeight(QFont::Medium);
    setFont(font);
    setFixedHeight(32 + 2 * 8);
}

void FelDocumentSaverProgessButton::enterEvent(QEnterEvent* event) {
    isHover_ = true;
    update();
    QPushButton::enterEvent(event);
}

void FelDocumentSaverProgessButton::leaveEvent(QEvent* event) {
    isHover_ = false;
    update();
    QPushButton::leaveEvent(event);
}

void FelDocumentSaverProgessButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor primary = ui::Theme::primary(palette());
    const QRectF area = QRectF(rect()).adjusted(8, 8, -8, -8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ui::Theme::withOpacity(primary, isHover_ ? 0.1 : 0.08));
    painter.drawRoundedRect(area, buttonRadius, buttonRadius);
    if (isDown()) {
        painter.setBrush(ui::Theme::withOpacity(primary, 0.11));
        painter.drawRoundedRect(area, buttonRadius, buttonRadius);
    }
    painter.setPen(primary);
    painter.setFont(font());
    painter.drawText(area, Qt::AlignCenter, text());
}

FelDocumentSaverProgessPanelView::FelDocumentSaverProgessPanelView(
    FelDocumentSaverProgressModel& progressModel, std::function<void(bool)> setShowProgress,
    std::function<void()> actionCancel, QWidget* parent)
    : QWidget(parent), progressModel_(progressModel), setShowProgress_(std::move(setShowProgress)),
      actionCancel_(std::move(actionCancel)) {
    setFixedWidth(panelWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* upper = new QVBoxLayout;
    upper->setContentsMargins(padding, 0, padding, padding);
    title_ = new QLabel(QStringLiteral("Processing the PDFs"), this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    title_->setAlignment(Qt::AlignCenter);
    title_->setContentsMargins(0, padding / 2, 0, padding / 2);
    upper->addWidget(title_);
    file_ = new QLabel(this);
    upper->addWidget(file_);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    upper->addWidget(bar_);
    layout->addLayout(upper);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    layout->addWidget(divider);

    cancel_ = new FelDocumentSaverProgessButton(QStringLiteral("Cancel"), this);
    layout->addWidget(cancel_);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (actionCancel_) {
            actionCancel_();
        }
        if (setShowProgress_) {
            setShowProgress_(false);
        }
    });

    changed_ = progressModel_.changed.connect([this] { refresh(); });
    refresh();
}

void FelDocumentSaverProgessPanelView::refresh() {
    const QString name = QString::fromStdString(progressModel_.filename.value_or(std::string()));
    file_->setText(name);
    bar_->setAccessibleName(name);
    bar_->setValue(static_cast<int>(std::lround(progressModel_.progessValue)));
}

void FelDocumentSaverProgessPanelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ui::Theme::systemBackground(palette()));
    painter.drawRoundedRect(QRectF(rect()), panelRadius, panelRadius);
}

} // namespace fen

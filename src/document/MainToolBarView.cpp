#include "document/MainToolBarView.h"

#include "controls/ToolBarViewButton.h"
#include "document/LockLayer.h"
#include "document/ShareButton.h"
#include "export/NotificationDocumentCenter.h"
#include "ui/Theme.h"
#include "ui/WindowKeyModifiers.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace fen {

namespace {

// The standard inset of the row on every edge.
constexpr int inset = 12;

} // namespace

MainToolBarView::MainToolBarView(std::shared_ptr<NotificationDocumentCenter> channel,
                                 std::shared_ptr<FenWatermarkModel> model, const QString& title,
                                 HorizontalSizeClass sizeClass, QWidget* parent)
    : QWidget(parent), titleText_(title) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(inset, inset, inset, inset + 1);

    title_ = new QLabel(this);
    QFont font = title_->font();
    font.setPixelSize(20);
    font.setWeight(QFont::DemiBold);
    title_->setFont(font);
    title_->setIndent(100);
    title_->setText(title);
    title_->setAccessibleName(title);
    title_->setMinimumWidth(0);
    title_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QPalette palette = title_->palette();
    palette.setColor(QPalette::WindowText,
                     ui::Theme::withOpacity(ui::Theme::primary(palette), 0.9));
    title_->setPalette(palette);
    row->addWidget(title_, 1);

    buttons_ = new QWidget(this);
    auto* group = new QHBoxLayout(buttons_);
    group->setContentsMargins(0, 0, 0, 0);
    more_ = new MainToolBarViewMoreButton(model, sizeClass, buttons_);
    export_ = new ToolBarViewButton(
        false, false, QStringLiteral("rectangle.portrait.and.arrow.right"), false,
        QStringLiteral("Export"), std::nullopt, [channel] { channel->post("RequestToSave"); },
        buttons_);
    share_ = new ToolBarViewButton(
        false, false, QStringLiteral("square.and.arrow.up"), false, QStringLiteral("Share"),
        std::nullopt, [channel] { channel->post("RequestToShare"); }, buttons_);
    // The share popover's anchor, announced to the saver.
    new ShareButton(channel, share_);
    group->addWidget(more_);
    group->addWidget(export_);
    group->addWidget(share_);
    row->addWidget(buttons_);

    lock_ = new LockLayer(buttons_);
    setAutoFillBackground(false);
    // The whole bar and its title dim while another window is the key window.
    new KvWindowKeyResignToolbarButtonModifier(this);
    new KvWindowKeyResignToolbarButtonModifier(title_);
}

void MainToolBarView::setDocumentIsLocked(bool locked) {
    lock_->setLocked(locked);
}

bool MainToolBarView::documentIsLocked() const {
    return lock_->isLocked();
}

void MainToolBarView::elideTitle() {
    const int room = title_->width() - 100;
    title_->setText(title_->fontMetrics().elidedText(titleText_, Qt::ElideRight, qMax(0, room)));
}

void MainToolBarView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    elideTitle();
}

void MainToolBarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The bar's ground, and the divider line under the row.
    painter.fillRect(rect(), ui::Theme::systemBackground(palette()));
    painter.fillRect(QRect(0, height() - 1, width(), 1),
                     ui::Theme::withOpacity(ui::Theme::primary(palette()), 0.15));
}

} // namespace fen

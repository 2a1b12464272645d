#include "document/LockLayer.h"

#include "ui/Theme.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace fen {

LockLayer::LockLayer(QWidget* target) : QWidget(target->parentWidget()), target_(target) {
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    target->installEventFilter(this);
    setGeometry(target->geometry());
    raise();
}

void LockLayer::setLocked(bool locked) {
    locked_ = locked;
    setAttribute(Qt::WA_TransparentForMouseEvents, !locked);
    if (target_) {
        target_->setEnabled(!locked);
        setGeometry(target_->geometry());
    }
    raise();
    update();
}

void LockLayer::paintEvent(QPaintEvent*) {
    if (!locked_) {
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), ui::Theme::withOpacity(ui::Theme::systemBackground(palette()), 0.7));
}

bool LockLayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move ||
                               event->type() == QEvent::Show)) {
        setGeometry(target_->geometry());
        raise();
    }
    return QWidget::eventFilter(watched, event);
}

void LockLayer::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void LockLayer::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

} // namespace fen

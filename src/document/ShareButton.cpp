#include "document/ShareButton.h"

#include "export/NotificationDocumentCenter.h"

#include <QEvent>
#include <QPointer>

namespace fen {

ShareButton::ShareButton(std::shared_ptr<NotificationDocumentCenter> channel, QWidget* shareButton)
    : QWidget(shareButton), channel_(std::move(channel)) {
    setGeometry(0, 0, 0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    if (shareButton) {
        shareButton->installEventFilter(this);
    }
}

bool ShareButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        announce();
    }
    return QWidget::eventFilter(watched, event);
}

void ShareButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    announce();
}

void ShareButton::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    announce();
}

void ShareButton::announce() {
    channel_->post("ShareButtonUpdate", QPointer<QWidget>(this));
}

} // namespace fen

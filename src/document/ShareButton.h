#pragma once

#include <QWidget>

#include <memory>

namespace fen {

class NotificationDocumentCenter;

// The invisible anchor of the share popover: a zero-size widget under the toolbar's Share button.
// Whenever it or the Share button is resized or moved it announces itself to its window's saver
// with "ShareButtonUpdate" (the object a QPointer<QWidget> to it), and the saver keeps the last
// one, so the popover opens at the Share button.
class ShareButton : public QWidget {
    Q_OBJECT
public:
    ShareButton(std::shared_ptr<NotificationDocumentCenter> channel, QWidget* shareButton);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void announce();

    std::shared_ptr<NotificationDocumentCenter> channel_;
};

} // namespace fen

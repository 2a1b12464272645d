#pragma once

#include <QPointer>
#include <QWidget>

namespace fen {

// The layer over the controls of a locked document (the settings tab, the toolbar's buttons):
// while locked, the system background colour at 0.7 over its target, taking every click, and the
// target disabled so that keys and assistive tools cannot reach it either; while unlocked,
// invisible and open to input. A sibling of its target, raised above it, that follows its
// target's geometry.
class LockLayer : public QWidget {
    Q_OBJECT
public:
    explicit LockLayer(QWidget* target);

    bool isLocked() const { return locked_; }
    void setLocked(bool locked);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointer<QWidget> target_;
    bool locked_ = false;
};

} // namespace fen

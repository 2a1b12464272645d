#pragma once

#include <QAbstractButton>
#include <QString>
#include <QWidget>

class QLabel;

namespace fen {

// The switch of KvToggle: a full-size switch's room in the layout, drawn at 0.67 of that size
// about its trailing edge's centre (`isTrailedAligned`) or its leading edge's centre, in the
// accent colour when on. A check box to the accessibility tree, named by the row's title.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    ToggleSwitch(bool isTrailedAligned, QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(51, 31); }
    // Where the switch is drawn inside the widget.
    QRectF drawnRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    bool isTrailedAligned_;
};

// The application's on/off row: an optional translated title at the leading end, a spacer, and
// the switch. With an empty title it is the bare switch, shrunk towards its leading edge.
// setIsOn never emits; every other flip (a click, Space, an assistive tool's toggle action) emits
// isOnEdited.
class KvToggle : public QWidget {
    Q_OBJECT
public:
    KvToggle(const QString& title, bool isOn, QWidget* parent = nullptr);

    bool isOn() const;
    void setIsOn(bool isOn);
    ToggleSwitch* toggleSwitch() const { return switch_; }
    QLabel* titleLabel() const { return title_; }

Q_SIGNALS:
    void isOnEdited(bool isOn);

private:
    QLabel* title_ = nullptr;
    ToggleSwitch* switch_;
};

} // namespace fen

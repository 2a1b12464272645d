#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>

class QWidget;

namespace fen {

// The backgrounds of the program's surfaces. Each is painted under the decorated widget's own
// drawing and reads the scheme (light or dark, ui::Theme) at paint time, so a palette change
// repaints them all at once.

// The section plate: the section tint with a 1-point hairline border (primary at 0.07) inside a
// rounded rectangle of radius 10.
class FenSectionBackgroundColorModifier {
public:
    static void apply(QWidget* content);
};

// The section tint alone (rows of the page-number format and QR-code lists).
class FenSectionBackgroundColorNoBorderModifier {
public:
    static void apply(QWidget* content);
};

// The opaque control background: the system background in the light scheme, the secondary one
// in the dark scheme.
class FenBackgroundControlColorModifier {
public:
    static QColor colour(const QPalette& palette);
    static void apply(QWidget* content);
};

// A bordered field: the control background clipped to radius 6, in a frame 1 point larger on
// every edge whose margin holds the border (primary at 0.2). Returns the frame holding `field`.
class FenBackgroundModifier {
public:
    static QWidget* apply(QWidget* field);
};

// The background of a list row: the accent colour when selected and focused, light grey at 0.5
// when selected without focus, the section tint when not selected.
class FenListRowBackgroundModifier : public QObject {
    Q_OBJECT
public:
    static QColor colour(const QPalette& palette, bool isSelected, bool isFocused);
    static FenListRowBackgroundModifier* apply(QWidget* row, bool isSelected, bool isFocused);
    void setState(bool isSelected, bool isFocused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
    bool isSelected_ = false;
    bool isFocused_ = false;
};

} // namespace fen

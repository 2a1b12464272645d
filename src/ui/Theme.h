#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace fen::ui {

// The named colours of the system, read from a palette at paint time, so that a palette change
// (light to dark) repaints every surface at once. Accent ("AccentColor" too) is the palette's
// Highlight, primary its WindowText, the system background its Base and the secondary system
// background its AlternateBase; light grey, red and grey are fixed.
class Theme {
public:
    // Dark when the Window colour's lightness is below 128.
    static bool isDark(const QPalette& palette);

    static QColor accent(const QPalette& palette);
    static QColor primary(const QPalette& palette);
    static QColor systemBackground(const QPalette& palette);
    static QColor secondarySystemBackground(const QPalette& palette);
    static QColor lightGray();
    static QColor red();
    static QColor gray();

    // `colour` with its alpha multiplied by `opacity`.
    static QColor withOpacity(QColor colour, double opacity);
    // The faint tint of section plates and list rows: black at 0.02 in the light scheme, white at
    // 0.02 in the dark one.
    static QColor sectionTint(const QPalette& palette);

    // A fixed light or dark palette (Fusion's light one, and a dark one of the same roles), for
    // probes and tests that must see both schemes whatever the desktop's.
    static QPalette fixedPalette(bool dark);
};

} // namespace fen::ui

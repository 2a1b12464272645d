#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

namespace fen::ui {

// The symbol images of the program, drawn from data/icons/<name>.svg under the symbol names the
// views use ("xmark", "ellipsis.circle"; our own line drawings). A symbol is drawn in one colour at
// a size in points (a square of that many logical pixels); the weight thickens its lines as a
// heavier font would. An unknown name draws an empty square and says so once on standard error. GUI
// thread only (the drawings are cached).
class SymbolIcon {
public:
    enum class Weight { Regular, Medium, Semibold, Bold, Heavy };

    // True when data/icons holds a drawing of that name.
    static bool exists(const QString& name);

    // The symbol as a `points` × `points` picture (times the device pixel ratio) in `colour`.
    static QImage image(const QString& name, const QColor& colour, double points,
                        Weight weight = Weight::Regular, double devicePixelRatio = 1.0);

    // Paints the symbol into `target`; `mirrored` mirrors it across its diagonal (its horizontal
    // and vertical directions swapped, as the list toolbars show the "paintbrush").
    static void paint(QPainter& painter, const QRectF& target, const QString& name,
                      const QColor& colour, Weight weight = Weight::Regular, bool mirrored = false);
};

} // namespace fen::ui

#pragma once

#include "controls/DFColorWellGridModel.h"
#include "platform/graphics/Geometry.h"

#include <QAbstractButton>
#include <QColor>
#include <QFrame>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

namespace fen {

QColor toQColor(const gfx::Color& color);
// An opaque colour from a picked colour's RGB components (alpha is dropped).
gfx::Color opaqueColor(const QColor& color);

// The leading half of the colour well: the bound colour, rounded on its leading corners. A click
// on it, short of the default padding at its trailing edge, opens the palette. A push button
// named "Colour palette" (or after what the well colours), described by the name of the colour
// it shows (the palette swatch's name, else the hexadecimal text).
class DFColorWellColor : public QAbstractButton {
    Q_OBJECT
public:
    DFColorWellColor(double cellWidth, QWidget* parent = nullptr);
    void setColor(const gfx::Color& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    ColorWellGeometry geometry_;
    gfx::Color color_;
};

// The trailing half: a conic gradient of six hues, rounded on its trailing corners; a click
// anywhere on it opens the colour dialog. A push button named "Colour dialog" (or after what the
// well colours).
class DFColorWellWheel : public QAbstractButton {
    Q_OBJECT
public:
    DFColorWellWheel(double cellWidth, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorWellGeometry geometry_;
};

// One palette swatch: its colour, and while it is the bound colour a white frame reaching a
// point beyond it. A check box named by its hexadecimal text ("69D6FF"), checked while framed.
// The grid keeps the check state on the bound colour.
class DFColorWellGridSwatch : public QAbstractButton {
    Q_OBJECT
public:
    DFColorWellGridSwatch(const DFColorWellGridCell& cell, double markLineWidth,
                          QWidget* parent = nullptr);
    const DFColorWellGridCell& cell() const { return cell_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DFColorWellGridCell cell_;
    double markLineWidth_;
};

// The palette popover's content: the 30 swatches in six columns inside rounded corners, with 6
// points of padding. A click on a swatch, or its toggle action, emits picked.
class DFColorWellGrid : public QWidget {
    Q_OBJECT
public:
    DFColorWellGrid(double cellWidth, const gfx::Color& colorValue, QWidget* parent = nullptr);
    const std::vector<DFColorWellGridSwatch*>& swatches() const { return swatches_; }
    const DFColorWellGridModel& model() const { return model_; }
    // Marks the swatch of `color`, if any; never emits.
    void setColorValue(const gfx::Color& color);
    // The grid's rounded outline in this widget's coordinates.
    QPainterPath clipPath() const;

Q_SIGNALS:
    void picked(const fen::gfx::Color& color);

private:
    DFColorWellGridModel model_;
    std::vector<DFColorWellGridSwatch*> swatches_;
    bool syncing_ = false;
};

// The compact colour control: a rounded bar whose leading half shows the colour and opens a
// palette popover below it, and whose trailing half opens a colour dialog (non-native, without
// alpha; tests inject the chooser). Either way the picked colour is written at once: a palette
// pick also closes the palette. setColorValue never emits; a pick of a colour the well does not
// hold emits colorValueEdited.
class DFColorWell : public QWidget {
    Q_OBJECT
public:
    // Shows a colour dialog over `parent` starting at `initial`, and calls `chosen` with each
    // colour the user confirms.
    using ColorChooser = std::function<void(QWidget* parent, const QColor& initial,
                                            std::function<void(const QColor&)> chosen)>;

    DFColorWell(double cellWidth, const gfx::Color& colorValue, QWidget* parent = nullptr,
                ColorChooser chooser = {});
    ~DFColorWell() override;

    const gfx::Color& colorValue() const { return colorValue_; }
    void setColorValue(const gfx::Color& color);
    const ColorWellGeometry& geometry() const { return geometry_; }

    // Whether the palette is shown; setting it opens or closes the popover.
    bool showGrid() const { return popover_ != nullptr; }
    void setShowGrid(bool show);
    QFrame* popover() const { return popover_; }
    DFColorWellGrid* grid() const;
    // Opens the colour dialog (the wheel half's click).
    void openColorDialog();

    DFColorWellColor* colorHalf() const { return colorHalf_; }
    DFColorWellWheel* wheelHalf() const { return wheel_; }
    // Names the well and its halves after what it colours, where a window has more than one
    // ("Background": "Background colour palette", "Background colour dialog").
    void setAccessibleTitle(const QString& title);
    QSize sizeHint() const override;

Q_SIGNALS:
    void colorValueEdited(const fen::gfx::Color& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pick(const gfx::Color& color);
    void placeHalves();

    ColorWellGeometry geometry_;
    gfx::Color colorValue_;
    ColorChooser chooser_;
    DFColorWellColor* colorHalf_;
    DFColorWellWheel* wheel_;
    QPointer<QFrame> popover_;
};

} // namespace fen

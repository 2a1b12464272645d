#pragma once

#include "platform/graphics/Geometry.h"

#include <cstddef>
#include <string>
#include <vector>

namespace fen {

// Corners of a rectangle, combined as a mask.
enum RectCorner : int {
    topLeftCorner = 1,
    topRightCorner = 2,
    bottomLeftCorner = 4,
    bottomRightCorner = 8,
};

// A rectangle in points, y down.
struct WellRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const WellRect&) const = default;
};

// The compact colour well's measures for one cell width: two halves, each `cellWidth` wide and
// `cellWidth` / 1.8 high, one point apart inside a one-point frame, the colour half leading; the
// palette grid it opens is made for 1.3 times the cell width.
struct ColorWellGeometry {
    static constexpr double coeffRatio = 1.8;
    double cellWidth = 50;

    double wellWidth() const { return 2 * cellWidth + 3; }
    double wellHeight() const { return cellWidth / coeffRatio + 2; }
    double wellCornerRadius() const { return cellWidth * 0.125 + 1; }
    double halfCornerRadius() const { return cellWidth * 0.125; }
    // Each half's rectangle in the well.
    WellRect colorHalf(bool rightToLeft) const;
    WellRect wheelHalf(bool rightToLeft) const;
    // The rounded corners of each half: the leading ones of the colour half, the trailing ones
    // of the wheel half.
    int colorHalfCorners(bool rightToLeft) const;
    int wheelHalfCorners(bool rightToLeft) const;
    double gridCellWidth() const { return cellWidth * 1.3; }
};

// One swatch of the palette grid. Equal when the ids and then the colours are equal.
struct DFColorWellGridCell {
    std::string id;
    gfx::Color color;
    bool operator==(const DFColorWellGridCell&) const = default;
};

// One column of the grid: a fixed width and the spacing to the next column.
struct GridColumn {
    double width = 0;
    double spacing = 0;
    bool operator==(const GridColumn&) const = default;
};

// The palette popover's grid: 30 colours in six columns (four rows of hues from light to dark,
// then greys from white to black), with swatches `cellWidth` wide. Nothing in it changes after
// construction.
class DFColorWellGridModel {
public:
    static constexpr int columnCount = 6;
    static constexpr double columnSpacing = 8;
    static constexpr double rowSpacing = 2;
    static constexpr double padding = 6;

    explicit DFColorWellGridModel(double cellWidth) : cellWidth_(cellWidth) {}

    double cellWidth() const { return cellWidth_; }
    // Six columns of `cellWidth` - 6 points.
    std::vector<GridColumn> columns() const;
    // The 30 colours as "#RRGGBB", row by row.
    static const std::vector<std::string>& paletteHex();
    static std::vector<gfx::Color> palette();
    // One cell per palette colour, each with a new id: no two calls give equal cells.
    std::vector<DFColorWellGridCell> colorWellGridCells() const;

    // The grid's layout: swatches `cellWidth` by `cellWidth` / 1.8, their columns centred in a
    // grid (`cellWidth` + 1) × 6 + 4 wide (the swatches are wider than their columns, two points
    // apart), rows two points apart, inside rounded corners of `cellWidth` × 0.125 - 1.
    double swatchHeight() const { return cellWidth_ / 1.8; }
    double gridWidth() const { return (cellWidth_ + 1) * columnCount + 4; }
    double gridHeight() const;
    double gridCornerRadius() const { return cellWidth_ * 0.125 - 1; }
    // The white frame of the selected swatch.
    double markLineWidth() const { return cellWidth_ * 0.0625 + 1; }
    // The swatch of palette entry `index` in the grid's coordinates.
    WellRect swatchRect(int index) const;

private:
    double cellWidth_;
};

// The six colours of the multicolour wheel, in their order around it from angle 0 clockwise:
// red, yellow, green, blue, purple, pink.
const std::vector<gfx::Color>& wheelColors();

} // namespace fen

template <> struct std::hash<fen::DFColorWellGridCell> {
    std::size_t operator()(const fen::DFColorWellGridCell& cell) const;
};

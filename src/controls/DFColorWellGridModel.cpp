#include "controls/DFColorWellGridModel.h"

#include "model/ColorHex.h"
#include "model/Hashing.h"
#include "platform/foundation/Uuid.h"

namespace fen {

WellRect ColorWellGeometry::colorHalf(bool rightToLeft) const {
    const double height = cellWidth / coeffRatio;
    return {rightToLeft ? cellWidth + 2 : 1, 1, cellWidth, height};
}

WellRect ColorWellGeometry::wheelHalf(bool rightToLeft) const {
    const double height = cellWidth / coeffRatio;
    return {rightToLeft ? 1 : cellWidth + 2, 1, cellWidth, height};
}

int ColorWellGeometry::colorHalfCorners(bool rightToLeft) const {
    return rightToLeft ? topRightCorner | bottomRightCorner : topLeftCorner | bottomLeftCorner;
}

int ColorWellGeometry::wheelHalfCorners(bool rightToLeft) const {
    return colorHalfCorners(!rightToLeft);
}

std::vector<GridColumn> DFColorWellGridModel::columns() const {
    return std::vector<GridColumn>(columnCount, GridColumn{cellWidth_ - 6, columnSpacing});
}

const std::vector<std::string>& DFColorWellGridModel::paletteHex() {
    static const std::vector<std::string> hex = {
        "#69D6FF", "#A1DFA7", "#FFBA65", "#FF7B73", "#F39AC0", "#6F7BDA", //
        "#40BDEA", "#85CB82", "#FF9E40", "#FF5645", "#F16DB6", "#5962C3", //
        "#00A2D8", "#60B336", "#FF8126", "#FF4113", "#EC3D9F", "#3B418B", //
        "#0086BE", "#409F0F", "#FF6A01", "#E32500", "#D8267D", "#262261", //
        "#FFFFFF", "#89847F", "#707070", "#555555", "#333333", "#000000", //
    };
    return hex;
}

std::vector<gfx::Color> DFColorWellGridModel::palette() {
    std::vector<gfx::Color> colors;
    for (const std::string& hex : paletteHex()) {
        colors.push_back(colorFromHex(hex));
    }
    return colors;
}

std::vector<DFColorWellGridCell> DFColorWellGridModel::colorWellGridCells() const {
    std::vector<DFColorWellGridCell> cells;
    for (const gfx::Color& color : palette()) {
        cells.push_back({newUuidString(), color});
    }
    return cells;
}

double DFColorWellGridModel::gridHeight() const {
    const int rows = static_cast<int>(paletteHex().size()) / columnCount;
    return rows * swatchHeight() + (rows - 1) * rowSpacing;
}

WellRect DFColorWellGridModel::swatchRect(int index) const {
    const int row = index / columnCount;
    const int column = index % columnCount;
    const double columnWidth = cellWidth_ - 6;
    const double columnsWidth = columnCount * columnWidth + (columnCount - 1) * columnSpacing;
    const double centre =
        (gridWidth() - columnsWidth) / 2 + column * (columnWidth + columnSpacing) + columnWidth / 2;
    return {centre - cellWidth_ / 2, row * (swatchHeight() + rowSpacing), cellWidth_,
            swatchHeight()};
}

const std::vector<gfx::Color>& wheelColors() {
    static const std::vector<gfx::Color> colors = {
        colorFromHex("FF0000"), colorFromHex("FFFF00"), colorFromHex("008000"),
        colorFromHex("0000FF"), colorFromHex("800080"), colorFromHex("FFC0CB"),
    };
    return colors;
}

} // namespace fen

std::size_t
std::hash<fen::DFColorWellGridCell>::operator()(const fen::DFColorWellGridCell& cell) const {
    std::size_t seed = 0;
    fen::hashCombine(seed, cell.id);
    fen::hashCombine(seed, cell.color.red);
    fen::hashCombine(seed, cell.color.green);
    fen::hashCombine(seed, cell.color.blue);
    fen::hashCombine(seed, cell.color.alpha);
    return seed;
}

#pragma once

#include "platform/graphics/Geometry.h"

#include <QAbstractButton>
#include <QWidget>

#include <optional>
#include <vector>

namespace fen {

// One round swatch, `width` points square: a disc of its colour, or without a colour a disc of
// the six wheel hues; while selected, a ring in the system background colour inside it. A check
// box to the accessibility tree, checked while selected.
class ColorButton : public QAbstractButton {
    Q_OBJECT
public:
    ColorButton(std::optional<gfx::Color> color, int idx, double width, QWidget* parent = nullptr);
    int idx() const { return idx_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<gfx::Color> color_;
    int idx_;
    double width_;
};

// The row of three swatches: black ("Black"), red ("Red") and any colour ("Any colour"), each
// `height` points, the first two followed by 8 more points of space. setSelectedIdx never
// emits; a click on a swatch (or its toggle action) emits swatchChosen with its index.
class Color_Color_Selector_View : public QWidget {
    Q_OBJECT
public:
    explicit Color_Color_Selector_View(double height, QWidget* parent = nullptr);

    int selectedIdx() const { return selectedIdx_; }
    void setSelectedIdx(int idx);
    ColorButton* button(int idx) const { return buttons_.at(static_cast<std::size_t>(idx)); }

Q_SIGNALS:
    void swatchChosen(int idx);

private:
    int selectedIdx_ = 0;
    bool syncing_ = false;
    std::vector<ColorButton*> buttons_;
};

} // namespace fen

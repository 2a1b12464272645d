#pragma once

#include "ui/SymbolIcon.h"

#include <QAbstractButton>
#include <QColor>
#include <QMargins>
#include <QPalette>
#include <QRectF>

#include <optional>

class QPainter;

namespace fen {

// The looks of the program's flat buttons: a label tinted while the pointer hovers over it and
// while it is pressed, clipped to a small rounded rectangle.
enum class ButtonStyle {
    PositionSelectorButtonStyle,  // cells of the position grid: black at 0.1 while pressed
    Toolbar_ButtonStyle,          // toolbar icon buttons: hover and press tints, dimmed label
    Other_ButtonStyle,            // the smaller icon buttons: as the toolbar, label keeps colour
    SheetDoneButtonButtonStyle,   // confirming buttons of sheets, on the accent colour
    SheetDeleteButtonButtonStyle, // "Delete" buttons, on red
    // the two buttons of the layer selector: the chosen one on the accent colour with a white
    // symbol, the other tinted while hovered; both tinted while pressed
    BackgroundForeground_SelectorStyle,
};

// The layers a style paints for one state, bottom to top: the background fill, the label, then
// the overlays; everything clipped to `radius` and drawn at `opacity`.
struct ButtonLook {
    QColor background = Qt::transparent;
    QColor hoverOverlay = Qt::transparent;
    QColor pressOverlay = Qt::transparent;
    double radius = 6;
    std::optional<QColor> foreground; // none: the label keeps its own colour
    double opacity = 1.0;
};

// `isSelected` matters only to the styles of selectors.
ButtonLook buttonLook(ButtonStyle style, const QPalette& palette, bool isHover, bool isPressed,
                      bool isDisabled, bool isSelected = false);

// Where the keyboard focus is: while `widget` has it, a frame 2 points wide in the palette's
// highlight colour, just inside `bounds`, with corners of `radius`. Every focusable control of
// the program draws it last, over its own look.
void paintFocusFrame(QPainter& painter, const QWidget& widget, const QRectF& bounds, double radius);

// The disabled look: a disabled widget (an ancestor disabled in Qt keeps it disabled; this never
// enables one) drawn at opacity 0.5 when `isDisabled`, 1.0 otherwise.
class KvButtonDisableEffectModifier {
public:
    static void apply(QWidget* content, bool isDisabled);
};

// A flat button painted in one of the styles above: an optional symbol (with an optional second
// symbol after it), a text, or a symbol before a text, inside padding. `isDisabled` is taken once,
// from its creator: it disables the button and gives it the disabled look. A Qt ancestor that is
// disabled blocks its input but does not dim it.
class StyledButton : public QAbstractButton {
    Q_OBJECT
public:
    StyledButton(ButtonStyle style, bool isDisabled, QWidget* parent = nullptr);

    void setSymbol(const QString& name, double points, ui::SymbolIcon::Weight weight,
                   bool mirrored = false);
    // A second, smaller symbol after the first, `gap` points from it.
    void setTrailingSymbol(const QString& name, double points, ui::SymbolIcon::Weight weight,
                           double gap);
    // A text label in `colour` (none: the style's foreground, else the palette's primary).
    void setLabel(const QString& text, std::optional<QColor> colour = std::nullopt);
    // With both a symbol and a label, the symbol is drawn centred in a `box` × `box` square
    // (`points` when 0) before the label, which keeps `trailing` points after it.
    void setSymbolBox(double box, double trailing);
    void setPadding(const QMargins& padding);
    // A fixed size for the label's frame (the padding then goes around it).
    void setLabelFrame(const QSize& size);
    // The colour of the symbol when the style sets none.
    void setContentColour(std::optional<QColor> colour);
    // Whether the button is the chosen one of a selector (its style's selected look).
    void setSelectedLook(bool isSelected);
    bool isSelectedLook() const { return isSelected_; }

    ButtonStyle style() const { return style_; }
    bool isDisabledLook() const { return isDisabled_; }
    // Changes the disabled state and look after creation (a button that follows its list).
    void setIsDisabled(bool isDisabled);
    bool isHover() const { return isHover_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QSizeF labelSize() const;
    double symbolBoxSide() const;

    ButtonStyle style_;
    bool isDisabled_;
    bool isHover_ = false;
    bool isSelected_ = false;
    QString symbol_;
    double symbolPoints_ = 17;
    ui::SymbolIcon::Weight symbolWeight_ = ui::SymbolIcon::Weight::Regular;
    bool mirrored_ = false;
    QString trailingSymbol_;
    double trailingPoints_ = 12;
    ui::SymbolIcon::Weight trailingWeight_ = ui::SymbolIcon::Weight::Regular;
    double trailingGap_ = 0;
    QString label_;
    std::optional<QColor> labelColour_;
    double symbolBox_ = 0;
    double labelTrailing_ = 0;
    std::optional<QColor> contentColour_;
    QMargins padding_;
    std::optional<QSize> labelFrame_;
};

} // namespace fen

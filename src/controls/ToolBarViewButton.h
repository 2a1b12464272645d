#pragma once

#include "controls/ButtonStyles.h"

#include <functional>
#include <optional>

class QComboBox;
class QToolButton;

namespace fen {

// An icon button of the document toolbar and of the list toolbars: the symbol at 22 points in
// the toolbar look, with its tooltip (also its accessible name, unless the caller names it), and
// after the "ellipsis.circle" symbol the "chevron.down" marker of the toolbar's More menu.
// `rotate` mirrors the symbol across its diagonal. The action runs once per click, never while
// disabled (`isDisabled` at creation, then setIsDisabled, as for the buttons that follow a
// list). `isHidden` is kept for the caller; the button itself does not consult it.
class ToolBarViewButton : public StyledButton {
    Q_OBJECT
public:
    ToolBarViewButton(bool isHidden, bool isDisabled, const QString& imagename, bool rotate,
                      const QString& tooltip, std::optional<ui::SymbolIcon::Weight> fontWeight,
                      std::function<void()> action, QWidget* parent = nullptr);

    bool isHiddenFlag() const { return isHidden_; }
    bool showsChevron() const { return imagename_ == QStringLiteral("ellipsis.circle"); }

private:
    bool isHidden_;
    QString imagename_;
};

// The smaller icon button beside the source pickers: the symbol at medium weight in the primary
// colour, in a 40 × 30 point frame, in the other button look. Its action never runs while it is
// disabled (at creation, then setIsDisabled, as "Save" follows the chosen stamp text).
class SpecialAdditionalButton : public StyledButton {
    Q_OBJECT
public:
    SpecialAdditionalButton(const QString& imagename, bool rotate, std::function<void()> action,
                            bool isDisabled, QWidget* parent = nullptr);
};

// The look of a compact pop-up menu button (a tool button with a menu): medium weight, 4 points
// of padding, the primary colour at 0.08 behind it while hovered and enabled, the label primary
// while hovered and enabled and primary at 0.7 otherwise, and the disabled look. The tool
// button's symbol is named by its "symbol" property; without one its text is drawn.
class PopupMenuButtonModifier : public QObject {
    Q_OBJECT
public:
    static PopupMenuButtonModifier* apply(QToolButton* button, bool isDisabled);
    bool isHover() const { return isHover_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PopupMenuButtonModifier(QToolButton* button, bool isDisabled);
    QToolButton* button_;
    bool isDisabled_;
    bool isHover_ = false;
};

// The look of a pop-up picker that fills its row (angle, font, style and numbering pickers):
// trailing-aligned, at most 24 points high, its label always primary, the hover background of
// the compact look behind it, and the disabled look.
class PopupMenuButtonLargeModifier : public QObject {
    Q_OBJECT
public:
    static PopupMenuButtonLargeModifier* apply(QComboBox* picker, bool isDisabled);
    bool isHover() const { return isHover_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PopupMenuButtonLargeModifier(QComboBox* picker, bool isDisabled);
    QComboBox* picker_;
    bool isDisabled_;
    bool isHover_ = false;
};

} // namespace fen

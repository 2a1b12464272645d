#pragma once

#include "model/TextSettings.h"
#include "panels/TextPanelLogic.h"

#include <QWidget>

#include <memory>
#include <vector>

namespace fen {

class BackgroundForegroundView;
class ColorAndTypeView;
class FenForm;
class FontSelectorCatalog;
class FontSelectorView;
class PositionSelectorView;
class SlidersBlockUnit;
struct MainSettingsImageHolder;

// The text watermark panel: the position grid, the font editor, the colour and outline editor,
// the "Opacity" row and the layer selector, in sections without headings, over the tab's text
// settings. It keeps a working copy of each field (TextPanelLogic) and writes a whole new record
// after each change (valueEdited); setValue loads a record into the controls and never emits. The
// bound record is loaded before the controls are connected, so construction and the first showing
// write nothing. The image holder is kept for the tab; the text panel reads nothing from it.
class PanelText : public QWidget {
    Q_OBJECT
public:
    PanelText(const TextSettings& textConf, std::shared_ptr<MainSettingsImageHolder> imageHolder,
              std::vector<Positions> positionItems, bool isInBackground, QWidget* parent = nullptr);
    // The same with the fonts installed on the system, the panel of a document window.
    static const FontSelectorCatalog& installedFonts();

    void setValue(const TextSettings& textConf);
    const TextPanelLogic& logic() const { return logic_; }

    PositionSelectorView* positionSelector() const { return position_; }
    FontSelectorView* fontSelector() const { return font_; }
    ColorAndTypeView* colorAndType() const { return colour_; }
    SlidersBlockUnit* opacityRow() const { return opacity_; }
    BackgroundForegroundView* layerSelector() const { return layer_; }

Q_SIGNALS:
    void valueEdited(const fen::TextSettings& textConf);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showLogic();
    void write(const std::optional<TextSettings>& record);

    TextPanelLogic logic_;
    std::shared_ptr<MainSettingsImageHolder> imageHolder_;
    FenForm* form_;
    PositionSelectorView* position_;
    FontSelectorView* font_;
    ColorAndTypeView* colour_;
    SlidersBlockUnit* opacity_;
    BackgroundForegroundView* layer_;
};

} // namespace fen

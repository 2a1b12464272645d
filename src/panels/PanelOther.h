#pragma once

#include "panels/PanelOtherLogic.h"

#include <QWidget>

#include <memory>
#include <vector>

namespace fen {

class DistanceToEdgeView;
class FenForm;
class FontSelectorView;
class NotificationDocumentCenter;
class OtherStyleView;
class PagesFromToStart;
class PositionSelectorView;
class SpecialAdditionalOther;
struct MainSettingsImageHolder;

// The page-number watermark's panel in the settings tab: the source row (format, colour,
// preview, presets), the position grid (the odd and even page corners included), the font
// editor, the page range rows, the numbering style and the distance to the edges. It keeps a
// working copy of each field (PanelOtherLogic) and writes a whole new record after each change
// (valueEdited); setValue applies a loaded record whole to the controls and never emits.
class PanelOther : public QWidget {
    Q_OBJECT
public:
    PanelOther(const PageNumberSettings& otherConf,
               std::shared_ptr<MainSettingsImageHolder> imageHolder,
               std::shared_ptr<NotificationDocumentCenter> channel,
               std::vector<Positions> positionItems = PanelOtherLogic::defaultPositionItems(),
               OtherStyles selectionStyle = OtherStyles::style1,
               const PageNumberConfiguration& pagenumberConf = {1, 2, 1, 1},
               QWidget* parent = nullptr);

    // The bound settings changed from outside (a loaded preset, the page count followed).
    void setValue(const PageNumberSettings& otherConf);

    const PanelOtherLogic& logic() const { return logic_; }
    SpecialAdditionalOther* source() const { return source_; }
    PositionSelectorView* position() const { return position_; }
    FontSelectorView* font() const { return font_; }
    PagesFromToStart* pageRange() const { return pageRange_; }
    OtherStyleView* style() const { return style_; }
    DistanceToEdgeView* distance() const { return distance_; }
    FenForm* form() const { return form_; }

Q_SIGNALS:
    void valueEdited(const fen::PageNumberSettings& otherConf);

private:
    void write(const std::optional<PageNumberSettings>& record);

    PanelOtherLogic logic_;
    FenForm* form_;
    SpecialAdditionalOther* source_;
    PositionSelectorView* position_;
    FontSelectorView* font_;
    PagesFromToStart* pageRange_;
    OtherStyleView* style_;
    DistanceToEdgeView* distance_;
    bool loading_ = false;
};

} // namespace fen

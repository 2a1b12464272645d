#pragma once

#include "panels/SourcePickerLogic.h"
#include "platform/foundation/Signal.h"
#include "platform/graphics/Image.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;

namespace fen {

class DFColorWell;
class NotificationDocumentCenter;
class SpecialAdditionalButton;
class SpecialAdditionalGenericSelector;
class StampDBModel;
struct MainSettingsImageHolder;

// The stamp panel's source row: the picker of the stored stamp texts (its "Customize List" opens
// the stamp list sheet), the preview of the prepared stamp ("No Stamp Selected" while there is
// none) and a column of the colour well (hidden while there is no preview), "Open" (the saved
// stamp presets) and "Save" (the current stamp as a new preset; disabled while no text is
// chosen). It edits the panel's text and colour through `write` and setStampTextColor; the
// preview follows the window's "StampImage_" message and keeps the last picture in the holder.
class SpecialAdditionalStamp : public QWidget {
    Q_OBJECT
public:
    SpecialAdditionalStamp(const StampTextColor& stampTextColor,
                           std::function<void(const StampTextColor&)> write,
                           std::shared_ptr<MainSettingsImageHolder> imageHolder,
                           std::shared_ptr<NotificationDocumentCenter> channel,
                           QWidget* parent = nullptr);
    ~SpecialAdditionalStamp() override;

    // The panel's text and colour changed from outside (a loaded preset).
    void setStampTextColor(const StampTextColor& value);

    const SourcePickerLogic& logic() const { return logic_; }
    StampDBModel& dbModel() const { return *dbModel_; }
    SpecialAdditionalGenericSelector* selector() const { return selector_; }
    QLabel* preview() const { return preview_; }
    DFColorWell* colorWell() const { return well_; }
    SpecialAdditionalButton* openButton() const { return open_; }
    SpecialAdditionalButton* saveButton() const { return save_; }
    QDialog* presetsSheet() const { return presetsSheet_; }
    QDialog* nameAlert() const { return nameAlert_; }
    const std::optional<gfx::Image>& image() const { return image_; }

private:
    void refresh();
    void setImage(std::optional<gfx::Image> image);

    std::unique_ptr<StampDBModel> dbModel_;
    SourcePickerLogic logic_;
    std::shared_ptr<MainSettingsImageHolder> imageHolder_;
    std::shared_ptr<NotificationDocumentCenter> channel_;
    std::optional<gfx::Image> image_;
    QPointer<QDialog> presetsSheet_;
    QPointer<QDialog> nameAlert_;
    Connection modelConnection_;
    SpecialAdditionalGenericSelector* selector_;
    QLabel* preview_;
    DFColorWell* well_;
    SpecialAdditionalButton* open_;
    SpecialAdditionalButton* save_;
};

} // namespace fen

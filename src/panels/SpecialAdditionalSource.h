#pragma once

#include "controls/SpecialAdditionalGenericSelector.h"
#include "model/PresetRequests.h"
#include "panels/SourcePickerLogic.h"
#include "platform/foundation/Signal.h"
#include "platform/graphics/Image.h"
#include "storage/MainSettingsImageHolder.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;

namespace fen {

class DFColorWell;
class NotificationDocumentCenter;
class OptionListModel;
class SpecialAdditionalButton;

// What tells the source rows of the stamp and page-number panels apart.
struct SourceRowKind {
    // The preset kind that "Open preset" lists and "Save preset" stores.
    PresetsList presets;
    // The window's message that brings the prepared picture ("StampImage_").
    std::string pictureMessage;
    // The holder's field that keeps the last picture.
    std::optional<gfx::Image> MainSettingsImageHolder::*heldPicture;
    // What the list's picker picks ("Select stamp").
    QString selectorTitle;
    // The preview's text while there is no picture, and its name while there is one.
    QString placeholder;
    QString pictureName;
    // Space around the picture in the preview.
    int picturePadding = 0;
    // When the colour well shows: while there is a picture, or while an entry is chosen.
    bool wellFollowsPicture = true;
    // Builds the "Customize List" sheet's content over the row's option model.
    std::function<QWidget*(OptionListModel&, std::function<void(bool)>)> listSheet;
};

// A watermark panel's source row: the picker of a stored list of texts (its "Customize List"
// opens the list's sheet), the preview of the prepared picture (a placeholder text while there is
// none) and a column of the colour well, "Open preset" (the saved presets of the kind) and "Save
// preset" (the current settings as a new preset; disabled while no entry is chosen). It edits the
// panel's text and colour through `write` and setStampTextColor (SourcePickerLogic); the preview
// follows the window's picture message and keeps the last picture in the holder, so a row built
// later starts from it.
class SpecialAdditionalSource : public QWidget {
    Q_OBJECT
public:
    SpecialAdditionalSource(const StampTextColor& stampTextColor,
                            std::function<void(const StampTextColor&)> write,
                            std::unique_ptr<OptionListModel> dbModel, SourceRowKind kind,
                            std::shared_ptr<MainSettingsImageHolder> imageHolder,
                            std::shared_ptr<NotificationDocumentCenter> channel,
                            QWidget* parent = nullptr);
    ~SpecialAdditionalSource() override;

    // The panel's text and colour changed from outside (a loaded preset).
    void setStampTextColor(const StampTextColor& value);

    const SourcePickerLogic& logic() const { return logic_; }
    SpecialAdditionalGenericSelector* selector() const { return selector_; }
    QLabel* preview() const { return preview_; }
    DFColorWell* colorWell() const { return well_; }
    SpecialAdditionalButton* openButton() const { return open_; }
    SpecialAdditionalButton* saveButton() const { return save_; }
    QDialog* presetsSheet() const { return presetsSheet_; }
    QDialog* nameAlert() const { return nameAlert_; }
    const std::optional<gfx::Image>& image() const { return image_; }

protected:
    OptionListModel& optionModel() const { return *dbModel_; }

private:
    void refresh();
    void setImage(std::optional<gfx::Image> image);
    void showWell();

    std::unique_ptr<OptionListModel> dbModel_;
    SourceRowKind kind_;
    SourcePickerLogic logic_;
    std::shared_ptr<MainSettingsImageHolder> imageHolder_;
    std::shared_ptr<NotificationDocumentCenter> channel_;
    std::optional<gfx::Image> image_;
    QPointer<QDialog> presetsSheet_;
    QPointer<QDialog> nameAlert_;
    Connection modelConnection_;
    // Whether the row has the list as read from the store (its first fill).
    bool filled_ = false;
    SpecialAdditionalGenericSelector* selector_;
    QLabel* preview_;
    DFColorWell* well_;
    SpecialAdditionalButton* open_;
    SpecialAdditionalButton* save_;
};

} // namespace fen

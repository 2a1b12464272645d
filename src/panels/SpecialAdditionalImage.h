#pragma once

#include "controls/ImageImporter.h"
#include "panels/ImageSourceLogic.h"
#include "platform/foundation/Signal.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace fen {

class NotificationDocumentCenter;
class QRCodeDBModel;
class SpecialAdditionalButton;
class SpecialAdditionalGenericSelector;
class SpecialAdditionalImageCenter;
struct MainSettingsImageHolder;

// The image panel's source row: the picker of the stored QR codes (its "Customize List" opens the
// "QR Codes" sheet over the row's own list of codes), the preview where a picture is dropped or
// imported, and a column of "Clear image" (disabled while there is no picture), "Open preset"
// (the saved image presets) and "Save preset" (the current image watermark as a new preset;
// disabled while there is no picture). It edits the panel's picture file through `write` and
// setImageUrl (ImageSourceLogic).
class SpecialAdditionalImage : public QWidget {
    Q_OBJECT
public:
    SpecialAdditionalImage(const std::optional<Url>& imageUrl,
                           std::function<void(const std::optional<Url>&)> write,
                           std::shared_ptr<MainSettingsImageHolder> imageHolder,
                           std::shared_ptr<NotificationDocumentCenter> channel,
                           ImagePicker::Chooser importChooser = {}, QWidget* parent = nullptr);
    ~SpecialAdditionalImage() override;

    // The panel's picture changed from outside (a loaded preset, a drop on the page).
    void setImageUrl(const std::optional<Url>& url);

    const ImageSourceLogic& logic() const { return logic_; }
    QRCodeDBModel& dbModel() const { return *dbModel_; }
    SpecialAdditionalGenericSelector* selector() const { return selector_; }
    SpecialAdditionalImageCenter* center() const { return center_; }
    SpecialAdditionalButton* clearButton() const { return clear_; }
    SpecialAdditionalButton* openButton() const { return open_; }
    SpecialAdditionalButton* saveButton() const { return save_; }
    QDialog* presetsSheet() const { return presetsSheet_; }
    QDialog* nameAlert() const { return nameAlert_; }
    // The open alert that refused a chosen QR code, if any.
    QDialog* refusal() const { return refusal_; }

private:
    void refresh();

    std::unique_ptr<QRCodeDBModel> dbModel_;
    ImageSourceLogic logic_;
    std::shared_ptr<NotificationDocumentCenter> channel_;
    QPointer<QDialog> presetsSheet_;
    QPointer<QDialog> nameAlert_;
    QPointer<QDialog> refusal_;
    Connection modelConnection_;
    SpecialAdditionalGenericSelector* selector_;
    SpecialAdditionalImageCenter* center_;
    SpecialAdditionalButton* clear_;
    SpecialAdditionalButton* open_;
    SpecialAdditionalButton* save_;
};

} // namespace fen

#pragma once

#include "model/QRCodeStructure.h"
#include "panels/QrEditorState.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

class QAbstractButton;
class QLabel;
class QLineEdit;

namespace fen {

class CustomSegmentedPickerView;
class DFColorWell;
class OptionListModel;
class QRCodeCreatorDetailsFormFields;

// The preview of the edited code: a rounded square of the background colour on which the
// generated picture, used as a mask, is painted in the foreground colour.
class QRCodeCreatorDetailsPreview : public QWidget {
    Q_OBJECT
public:
    explicit QRCodeCreatorDetailsPreview(QWidget* parent = nullptr);
    // The picture (opaque modules on transparent ground); the null image shows the square alone.
    void setImage(QImage mask);
    void setColours(const QColor& background, const QColor& foreground);
    bool hasImage() const { return !mask_.isNull(); }
    QSize sizeHint() const override { return QSize(280, 280); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void tint();

    QImage mask_;
    QImage tinted_;
    QColor background_ = Qt::yellow;
    QColor foreground_ = Qt::green;
};

// The editor page of one stored QR code, scrolling as "QR Code Details": on the left the field
// "QR Code Name", the type tabs ("Contact", "Link", "Text", "Event", "E-mail") and the form of the
// current type; on the right the preview and the wells "Background" and "Foreground"; "Delete" at
// the bottom. There is no save button: every committed edit is stored at once (QrEditorState).
// Typing alone stores nothing; Return, or a change of the field's focus, commits the field.
// "Delete" removes the code and calls `dismiss`.
class QRCodeCreatorDetails : public QWidget {
    Q_OBJECT
public:
    QRCodeCreatorDetails(OptionListModel& dbModel, QRCodeStructure qrcode,
                         std::function<void()> dismiss, QWidget* parent = nullptr);
    ~QRCodeCreatorDetails() override;

    const QRCodeStructure& qrcode() const { return state_->qrcode(); }
    QrEditorState& state() { return *state_; }

    // Commits the name field and the form's text fields (going back, "Done", closing).
    void commit();

    QLineEdit* nameField() const { return name_; }
    CustomSegmentedPickerView* selector() const { return selector_; }
    QRCodeCreatorDetailsFormFields* form() const { return form_; }
    QRCodeCreatorDetailsPreview* preview() const { return preview_; }
    // The line under the preview that tells why it shows no code; hidden while it shows one.
    QLabel* contentNote() const { return contentNote_; }
    DFColorWell* backgroundWell() const { return backgroundWell_; }
    DFColorWell* foregroundWell() const { return foregroundWell_; }
    QAbstractButton* deleteButton() const { return delete_; }
    // How many times the preview picture was generated.
    int previewRenders() const { return renders_; }

private:
    void commitName();
    void refreshPreview();
    void selectType(int position);

    std::unique_ptr<QrEditorState> state_;
    std::function<void()> dismiss_;
    Connection changed_;
    QLineEdit* name_;
    CustomSegmentedPickerView* selector_;
    QRCodeCreatorDetailsFormFields* form_;
    QRCodeCreatorDetailsPreview* preview_;
    QLabel* contentNote_;
    DFColorWell* backgroundWell_;
    DFColorWell* foregroundWell_;
    QAbstractButton* delete_;
    std::string previewPayload_;
    // Whether the payload of the preview made no symbol, and why.
    QRCodeGenerator::Content previewContent_ = QRCodeGenerator::Content::empty;
    int renders_ = 0;
};

} // namespace fen

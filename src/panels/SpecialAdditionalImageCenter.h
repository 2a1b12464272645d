#pragma once

#include "controls/ImageImporter.h"
#include "platform/foundation/Url.h"
#include "platform/graphics/Image.h"

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QPushButton>

#include <memory>
#include <optional>

namespace fen {

class NotificationDocumentCenter;
struct MainSettingsImageHolder;

// The preview of the image watermark in the image panel's source row, and where a picture comes
// in: a push button "Import Image" that shows the prepared picture scaled to fit (the window's
// "ImageImage_" message, the last one kept in the holder) or "Drop Image Here / or / Click to
// import" while there is none. A picture or PDF file dropped on it is copied to a temporary file;
// a click opens the file dialog (pictures and PDF files), and the chosen file is used where it
// is. Either is reported through imageChosen; a drop whose copy fails reports no picture. A chosen
// pipe or device is refused in a one-line alert and reports nothing.
class SpecialAdditionalImageCenter : public QPushButton {
    Q_OBJECT
public:
    // `chooser` asks for the file (a file dialog when empty; tests inject their answer).
    SpecialAdditionalImageCenter(std::shared_ptr<MainSettingsImageHolder> imageHolder,
                                 std::shared_ptr<NotificationDocumentCenter> channel,
                                 ImagePicker::Chooser chooser = {}, QWidget* parent = nullptr);

    void setChooser(ImagePicker::Chooser chooser);
    DroppableArea* dropArea() const { return drop_; }
    // Whether the file dialog is open.
    bool isImporting() const { return importing_; }
    const std::optional<gfx::Image>& image() const { return image_; }
    // The open alert refusing a chosen file, if any.
    QDialog* importAlert() const { return importAlert_; }
    // The text shown while there is no picture.
    static QString placeholderText();

Q_SIGNALS:
    void imageChosen(const std::optional<fen::Url>& url);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setImage(std::optional<gfx::Image> image);
    void presentImportPanel();
    void finishImport(const std::optional<QString>& path);

    std::shared_ptr<MainSettingsImageHolder> imageHolder_;
    std::shared_ptr<NotificationDocumentCenter> channel_;
    ImagePicker::Chooser chooser_;
    DroppableArea* drop_;
    std::optional<gfx::Image> image_;
    QImage picture_;
    bool importing_ = false;
    QPointer<QDialog> importAlert_;
};

} // namespace fen

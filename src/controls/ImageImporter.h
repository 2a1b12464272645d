#pragma once

#include "platform/foundation/Url.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class QDialog;
class QDropEvent;

#include <functional>
#include <optional>

class QMimeData;

namespace fen {

// What a drop brings: the data of its first item as a picture and as a PDF, either or both
// missing. A file item is read from its file: picture bytes when Qt can read the file as a picture,
// PDF bytes when it starts as a PDF does; a text file gives neither.
struct DroppedItem {
    std::optional<std::string> imageData;
    std::optional<std::string> pdfData;
};

// Decides drops without a widget: which drops are taken and what their first item delivers.
class ImageDropDelegate {
public:
    // True when the drop delivers a picture or a PDF: its first local file starts as one (a text
    // file, a folder, a pipe or a device is refused), or, without files, it holds picture or PDF
    // data.
    static bool validateDrop(const QMimeData& mime);
    // The first item's deliveries; none when the drop holds no accepted item.
    static std::optional<DroppedItem> firstItem(const QMimeData& mime);
};

// The invisible full-size drop target of a view: the view and every child that takes no drops
// itself receive drops through it, while clicks, scrolling and keys reach the view as before. A
// drop is taken when it delivers a picture or a PDF (validateDrop), and refused as it comes in
// otherwise, so the pointer shows the refusal; only its first item counts. Its picture
// data and then its PDF data (each when the item delivers it) are written unchanged to a fresh
// temporary file ("image" or "image.pdf") on the main queue, and the binding becomes that file.
// A write that fails (the error is printed) sets the binding to no file and says why in an alert
// over the target's window. No highlight is shown while dragging.
class DroppableArea : public QObject {
    Q_OBJECT
public:
    explicit DroppableArea(QWidget* target);

    QWidget* target() const { return target_; }
    const std::optional<Url>& imageUrl() const { return imageUrl_; }
    // Sets the binding's value; never emits.
    void setImageUrl(const std::optional<Url>& url) { imageUrl_ = url; }

Q_SIGNALS:
    void imageUrlEdited(const std::optional<fen::Url>& url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void drop(QDropEvent* event);
    void store(const std::string& data, bool isPDF);
    QWidget* target_;
    std::optional<Url> imageUrl_;
    // Whether the drag under way was taken as it came in.
    bool dragTaken_ = false;
};

// A picked path that names something other than a regular file (a pipe, a device, a socket, a
// folder), which a reader would block on or never finish, is refused over `over`'s window with
// the one-line alert "“NAME” is not a regular file." under `title`; that alert, or nothing when
// the path names a regular file or nothing at all. Only the path's status is read.
QDialog* refuseNonRegularFile(QWidget* over, const QString& path, const QString& title);

// Makes the whole of `content` a drop target for pictures and PDF files.
class ImageImporterModifier {
public:
    static DroppableArea* apply(QWidget* content);
};

// Picks a picture file (a file dialog with picture filters by default; tests inject the choice)
// and stores its PNG encoding in a fresh temporary file "image". Cancelling changes nothing; a
// pipe or a device is refused in an alert before it is opened; a write that fails answers no file
// and says why in an alert over the window it was shown from.
class ImagePicker : public QObject {
    Q_OBJECT
public:
    // Asks for one file and answers with its path, or nothing when the user cancels.
    using Chooser =
        std::function<void(QWidget* parent, std::function<void(std::optional<QString>)>)>;

    explicit ImagePicker(QObject* parent = nullptr, Chooser chooser = {});

    // A chooser that opens a file dialog titled `title` for one existing file matching one of
    // `nameFilters`.
    static Chooser fileDialog(const QString& title, const QStringList& nameFilters);

    bool showingImagePicker() const { return showing_; }
    // Shows the picker over `parent`.
    void present(QWidget* parent);
    // The end of a pick: `path` is the chosen file or nothing when cancelled.
    void finishPicking(const std::optional<QString>& path);

Q_SIGNALS:
    void showingImagePickerEdited(bool showing);
    void imageEdited(const std::optional<fen::Url>& url);

private:
    Chooser chooser_;
    QPointer<QWidget> parent_;
    bool showing_ = false;
};

} // namespace fen

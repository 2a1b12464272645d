#pragma once

#include "model/QRCodeStructure.h"
#include "platform/foundation/Url.h"
#include "rendering/QRCodeGenerator.h"
#include "storage/SPAOptions.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fen {

// The rules of the image panel's source row without a widget: the option list of stored QR codes,
// the chosen entry's identifier and the bound picture file. Choosing a code renders it to a PNG
// file whose URL becomes the picture; "none" chosen by the user removes whatever picture is set.
// A change of the list returns the picker to "none" and removes the picture only while it is
// still the one made from the last chosen code, so a photo dropped after choosing a code stays.
// A dropped or imported file becomes the picture as it is. A code whose content makes no symbol
// (empty, or too long for a QR code) is refused: the picture stays, the picker goes back, and the
// row is told why. Main thread only.
class ImageSourceLogic {
public:
    // The picture file made of a stored code, or why the code's content makes none.
    struct Rendering {
        Rendering(std::optional<Url> url = std::nullopt) : url(std::move(url)) {}
        Rendering(QRCodeGenerator::Content content) : content(content) {}
        std::optional<Url> url;
        QRCodeGenerator::Content content = QRCodeGenerator::Content::fits;
    };
    // Makes the picture file of the stored code `id`; no file when there is no such code or the
    // rendering or the write fails.
    using Renderer = std::function<Rendering(const std::string& id)>;

    // `write` is the binding's setter: it receives each picture the row makes that differs from
    // the bound one. Without `render`, codes are rendered from the store (renderQRCode).
    explicit ImageSourceLogic(std::function<void(const std::optional<Url>&)> write,
                              Renderer render = {});

    const std::vector<SPAOptions>& options() const { return options_; }
    const std::string& selection() const { return selection_; }
    const std::optional<Url>& imageUrl() const { return imageUrl_; }
    // The picture made from the last chosen code, while the bound picture is still that one.
    bool showsQRCode() const { return qrUrl_ && imageUrl_ == qrUrl_; }

    // The row appears with the bound picture and the store's options; writes nothing.
    void appear(const std::optional<Url>& bound, std::vector<SPAOptions> storeOptions);
    // The bound picture changed from outside (a loaded preset, a drop on the page).
    void boundChanged(const std::optional<Url>& bound);
    // The user chose the entry `id` in the picker.
    void selectionChosen(const std::string& id);
    // A file dropped on the preview or picked in the importer; none when a drop's copy failed.
    void imageChosen(const std::optional<Url>& url);
    // The clear button: no picture, the picker on "none".
    void clear();
    // The store's option list changed (an edit in the QR code sheet).
    void storeOptionsChanged(std::vector<SPAOptions> storeOptions);

    // The picker moved or the picture changed (the widget shows the state again).
    std::function<void()> changed;
    // A chosen code was refused for its content.
    std::function<void(QRCodeGenerator::Content content)> refused;

    // The stored code `id` drawn 800 pixels square in its colours over its rounded ground and
    // written as a temporary "qrcode.png" (the store read on the calling thread).
    static Rendering renderQRCode(const std::string& id);
    // The same of a code already read.
    static Rendering renderQRCode(const QRCodeStructure& code);

private:
    void setSelection(const std::string& id);
    void writeBound(const std::optional<Url>& url);

    std::function<void(const std::optional<Url>&)> write_;
    Renderer render_;
    std::vector<SPAOptions> options_;
    std::string selection_ = SPAOptions::kNoneID;
    std::optional<Url> imageUrl_;
    std::optional<Url> qrUrl_;
};

} // namespace fen

#include "panels/ImageSourceLogic.h"

#include "export/FenFilesStorage.h"
#include "rendering/QRCodeGenerator.h"
#include "storage/FenDatabaseManager.h"

#include <algorithm>

namespace fen {

ImageSourceLogic::ImageSourceLogic(std::function<void(const std::optional<Url>&)> write,
                                   Renderer render)
    : write_(std::move(write)), render_(std::move(render)) {
    if (!render_) {
        render_ = [](const std::string& id) { return ImageSourceLogic::renderQRCode(id); };
    }
}

void ImageSourceLogic::appear(const std::optional<Url>& bound,
                              std::vector<SPAOptions> storeOptions) {
    imageUrl_ = bound;
    // The first fill leaves the picker on "none", where it starts: nothing is applied.
    options_ = std::move(storeOptions);
    setSelection(SPAOptions::kNoneID);
    if (changed) {
        changed();
    }
}

void ImageSourceLogic::boundChanged(const std::optional<Url>& bound) {
    if (bound == imageUrl_) {
        return;
    }
    imageUrl_ = bound;
    if (changed) {
        changed();
    }
}

void ImageSourceLogic::selectionChosen(const std::string& id) {
    if (id == selection_) {
        return;
    }
    const std::string previous = selection_;
    setSelection(id);
    if (id == SPAOptions::kNoneID) {
        qrUrl_.reset();
        writeBound(std::nullopt);
        return;
    }
    const Rendering picture = render_(id);
    if (picture.content != QRCodeGenerator::Content::fits) {
        setSelection(previous);
        if (refused) {
            refused(picture.content);
        }
        return;
    }
    qrUrl_ = picture.url;
    writeBound(picture.url);
}

void ImageSourceLogic::imageChosen(const std::optional<Url>& url) {
    writeBound(url);
}

void ImageSourceLogic::clear() {
    qrUrl_.reset();
    writeBound(std::nullopt);
    setSelection(SPAOptions::kNoneID);
}

void ImageSourceLogic::storeOptionsChanged(std::vector<SPAOptions> storeOptions) {
    if (storeOptions == options_) {
        return;
    }
    options_ = std::move(storeOptions);
    if (changed) {
        changed();
    }
    if (selection_ == SPAOptions::kNoneID) {
        return;
    }
    setSelection(SPAOptions::kNoneID);
    // Only the picture of the code that was chosen goes with the picker; a picture set since then
    // (a drop, an import, a loaded preset) stays.
    const bool wasQRCode = showsQRCode();
    qrUrl_.reset();
    if (wasQRCode) {
        writeBound(std::nullopt);
    }
}

void ImageSourceLogic::setSelection(const std::string& id) {
    if (selection_ == id) {
        return;
    }
    selection_ = id;
    if (changed) {
        changed();
    }
}

void ImageSourceLogic::writeBound(const std::optional<Url>& url) {
    if (url == imageUrl_) {
        return;
    }
    imageUrl_ = url;
    if (changed) {
        changed();
    }
    if (write_) {
        write_(url);
    }
}

ImageSourceLogic::Rendering ImageSourceLogic::renderQRCode(const std::string& id) {
    const std::vector<QRCodeStructure> codes = FenDatabaseManager::loadQRCodes();
    const auto code = std::find_if(codes.begin(), codes.end(),
                                   [&](const QRCodeStructure& entry) { return entry.id == id; });
    if (code == codes.end()) {
        return Rendering();
    }
    return renderQRCode(*code);
}

ImageSourceLogic::Rendering ImageSourceLogic::renderQRCode(const QRCodeStructure& code) {
    const gfx::Color background = code.background();
    const gfx::Color foreground = code.foreground();
    const std::string payload = code.qrPayloadString();
    if (const QRCodeGenerator::Content content = QRCodeGenerator::judgeContent(payload);
        content != QRCodeGenerator::Content::fits) {
        return content;
    }
    const gfx::Image symbol = QRCodeGenerator::generateQRCodeImage(payload, 800, 800);
    if (symbol.isNull()) {
        return Rendering();
    }
    const gfx::Image tinted = tintQRImage(symbol, foreground);
    if (tinted.isNull()) {
        return Rendering();
    }
    const gfx::Image finished = roundedBackgroundQRImage(tinted, background);
    if (finished.isNull()) {
        return Rendering();
    }
    return FenFilesStorage::writeQRCodePNG(finished);
}

} // namespace fen

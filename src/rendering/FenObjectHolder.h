#pragma once

#include "model/FenWatermarkModel.h"
#include "model/ImageSettings.h"
#include "model/PageNumberSettings.h"
#include "model/StampSettings.h"
#include "platform/foundation/Url.h"
#include "platform/graphics/Image.h"
#include "platform/image/ImageCodec.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/PageImage.h"
#include "rendering/WatermarkNotices.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace fen {

// The objects of a watermarked document that are costly to build and must not be rebuilt for
// every page: the decoded picture (or PDF page) of the image watermark, the finished stamp
// bitmap, the page-number preview and, for secure saving, the source document that pages are
// rasterised from. Pages and the image drawer read it while drawing; it is rebuilt from the
// model's records by the update operations, each of which changes only its own fields.
//
// Creators (the editor, the export, the windowless jobs) make it empty, set `model`, on the save
// path with secure saving set `pdfDoc`, set `isSecureSaving`, call the three plain updates (save
// paths only: the editor gets its first images from the model's first change signal through the
// refresh variants) and then attach it to the FenDocument. The holder is used from one thread at
// a time.
class FenObjectHolder {
public:
    // The source document whose pages are rasterised for secure saving; set on the save path only.
    std::shared_ptr<pdf::Document> pdfDoc;
    // Draw every page flattened into a bitmap.
    bool isSecureSaving = false;
    // The model whose settings the pages draw, held weakly: a holder that outlives its model
    // draws nothing that needs it.
    std::weak_ptr<FenWatermarkModel> model;
    // The finished stamp bitmap, already turned by the stamp's angle; null when no stamp.
    gfx::Image stampImage;
    // The page-number preview for the panel's thumbnail only; null when no page number.
    gfx::Image othePagenumberImage;
    // The picture of the image watermark (for a PDF file its first page as a bitmap at four
    // pixels per point); null when none.
    gfx::Image imageImage;
    // The first page of the image watermark's file when it is a PDF file (drawn as vectors).
    std::optional<pdf::PageImage> imagePDFPage;
    // The file `imageImage` and `imagePDFPage` were made from: the cache key of the image
    // objects, which are rebuilt only when the chosen file changes or the image is removed.
    std::optional<Url> imageURL;
    // Why the image watermark's chosen file gave no picture: a picture too large to draw, or
    // (tooLarge unset) neither a picture nor a PDF file. None while it gives one, while no file
    // is chosen, and when the file cannot be read.
    std::optional<gfx::ImageCodec::DecodeFailure> imageProblem;
    // Where the holder tells what it cannot draw as asked (a text cut at the drawing bound, a
    // stamp too long to draw, a picture that cannot be used). The holders of one window share
    // one; without one, the process's scope (WatermarkNotices::shared) is told.
    std::shared_ptr<WatermarkNotices> notices;

    // Prepares the image watermark of `settings`. No settings or no file clears the image objects;
    // the file the objects were made from is not read again. A file with "%PDF" within its first
    // 1024 bytes is a PDF file, anything else is decoded as a bitmap. A file that cannot be read,
    // or from which neither a PDF page nor a bitmap can be made, clears the image objects and the
    // remembered file, so choosing it again tries again; for the latter `imageProblem` says why,
    // and that the image watermark is left out is told (once for each file).
    void updateImageObject(const std::optional<ImageSettings>& settings);
    // Takes over the image objects `other` made, and the file they were made from, so that
    // updateImageObject for that file reads nothing: an export draws the picture its window's
    // preview shows even when the file has since gone or changed. The objects are shared, not
    // copied.
    void adoptImageObjects(const FenObjectHolder& other);
    // Builds the stamp bitmap of `settings`: the stamp text in capitals, the name and the long
    // date lines when included and active, the colour at the stamp's opacity, the stamp's angle
    // (auto draws a new random one by placement each time). No settings, colour record or text
    // gives no stamp. A text or name line cut at the drawing bound is told, and so is a stamp too
    // long to draw at all (which is then left out) instead.
    void updateStampObject(const std::optional<StampSettings>& settings);
    // Renders the page-number preview of `settings`: the format filled for page 1 of a range that
    // ends at `toPage`. No settings, colour record or format gives no preview. A format cut at the
    // drawing bound is told.
    void updateOtherObject(const std::optional<PageNumberSettings>& settings);

    // `notices`, or the process's scope without them.
    WatermarkNotices& noticeScope() const;

    // Receives the panel thumbnails: the new picture (or the null image) and the name the
    // preview listens under. Installed by the owner of the notification channel
    // (FenThumbNotifier::attach); a holder without one posts nothing.
    std::function<void(const gfx::Image& image, const std::string& name)> thumbnailPoster;

    // The same updates, each followed by handing the new picture (or none) to thumbnailPoster as
    // the panel thumbnail under "ImageImage_", "StampImage_" or "OtherImage_" followed by the
    // model's processorID, while the model is alive.
    void refreshImageObject(const std::optional<ImageSettings>& settings);
    void refreshStampObject(const std::optional<StampSettings>& settings);
    void refreshOtherObject(const std::optional<PageNumberSettings>& settings);

private:
    void clearImageObjects();
    void postThumbnail(const gfx::Image& image, const std::string& baseName) const;
};

} // namespace fen

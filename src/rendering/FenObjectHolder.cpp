#include "rendering/FenObjectHolder.h"

#include "model/ColorHex.h"
#include "model/WMAngles.h"
#include "platform/foundation/Dates.h"
#include "platform/foundation/WholeFileReader.h"
#include "platform/image/ImageCodec.h"
#include "platform/pdf/PdfMarker.h"
#include "rendering/DrawingHelpers.h"
#include "rendering/FenOtherPagenumber.h"
#include "rendering/FenStampImageBuilder.h"
#include "rendering/FontResolution.h"
#include "rendering/RenderPdfPageImage.h"

#include <unicode/ucasemap.h>
#include <unicode/utypes.h>

#include <memory>

namespace fen {

namespace {

// The text in capitals by the Unicode rules, independent of the user's language ("straße" →
// "STRASSE"); the text as it is when ICU cannot convert it.
std::string upperCased(const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCaseMap, decltype(&ucasemap_close)> map(ucasemap_open("", 0, &status),
                                                             &ucasemap_close);
    if (U_FAILURE(status)) {
        return text;
    }
    std::string out(text.size() * 3 + 16, '\0');
    int32_t length = ucasemap_utf8ToUpper(map.get(), out.data(), static_cast<int32_t>(out.size()),
                                          text.data(), static_cast<int32_t>(text.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        out.assign(static_cast<std::size_t>(length), '\0');
        length = ucasemap_utf8ToUpper(map.get(), out.data(), static_cast<int32_t>(out.size()),
                                      text.data(), static_cast<int32_t>(text.size()), &status);
    }
    if (U_FAILURE(status)) {
        return text;
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string scopedName(const std::string& base, const std::optional<std::string>& processorID) {
    return base + processorID.value_or("");
}

// The line that tells why the chosen file gives the image watermark no picture.
std::string pictureProblemLine(const gfx::ImageCodec::DecodeFailure& problem) {
    if (problem.tooLarge) {
        return "The picture is too large to draw (" + std::to_string(problem.width) + " \u00D7 " +
               std::to_string(problem.height) + " pixels): the image watermark is left out.";
    }
    return "The chosen file is neither a picture nor a PDF file: the image watermark is left out.";
}

} // namespace

WatermarkNotices& FenObjectHolder::noticeScope() const {
    return notices ? *notices : WatermarkNotices::shared();
}

void FenObjectHolder::clearImageObjects() {
    imageImage = {};
    imagePDFPage.reset();
    imageURL.reset();
    imageProblem.reset();
}

void FenObjectHolder::updateImageObject(const std::optional<ImageSettings>& settings) {
    if (!settings || !settings->imageURL) {
        clearImageObjects();
        return;
    }
    const Url& url = *settings->imageURL;
    if (imageURL && *imageURL == url) {
        return;
    }
    std::optional<std::string> bytes = WholeFileReader::read(url).bytes;
    if (!bytes) {
        clearImageObjects();
        return;
    }
    // Nothing could be made of the file: forget it, so choosing it again tries again, and tell
    // that the image watermark is left out.
    auto unusable = [&](const gfx::ImageCodec::DecodeFailure& problem) {
        clearImageObjects();
        imageProblem = problem;
        noticeScope().tell(WatermarkNotices::Kind::pictureUnusable, pictureProblemLine(problem),
                           url.absoluteString());
    };
    if (pdf::looksLikePDF(*bytes)) {
        pdf::Document document;
        if (document.openData(*bytes) == pdf::OpenResult::opened) {
            imageImage = renderPDFPageImage(document, 1, 0, 0);
        } else {
            imageImage = {};
        }
        imagePDFPage = pdf::PageImage::fromData(std::move(*bytes), 1);
        if (imageImage.isNull() && !imagePDFPage) {
            unusable({});
            return;
        }
    } else {
        gfx::ImageCodec::DecodeFailure failure;
        std::optional<gfx::Image> decoded = gfx::ImageCodec::decode(*bytes, &failure);
        if (!decoded || decoded->isNull()) {
            unusable(failure);
            return;
        }
        imageImage = std::move(*decoded);
        imagePDFPage.reset();
    }
    imageURL = url;
    imageProblem.reset();
}

void FenObjectHolder::adoptImageObjects(const FenObjectHolder& other) {
    imageImage = other.imageImage;
    imagePDFPage = other.imagePDFPage;
    imageURL = other.imageURL;
}

void FenObjectHolder::updateStampObject(const std::optional<StampSettings>& settings) {
    if (!settings || !settings->stampTextColor || !settings->stampTextColor->stampText) {
        stampImage = {};
        return;
    }
    const DateAndName& line = settings->datename;
    const std::string& text = *settings->stampTextColor->stampText;
    std::optional<std::string> name;
    if (line.isIncluded && line.isNameActive) {
        name = std::string(drawnWatermarkText(line.nameValue));
    }
    std::optional<std::string> date;
    if (line.isIncluded && line.isDateActive) {
        date = formatLongDate(line.dateValue);
    }
    gfx::Color color = uiColorFromHex(colorHexString(settings->stampTextColor->stampColor),
                                      static_cast<double>(settings->sizeopacity.opacity) / 100);
    double angle = settings->angle == WMAngles::auto_ ? autoAngle(settings->position)
                                                      : angleDegrees(settings->angle).value_or(0);
    // A stamp turned at random is judged at the steepest angle it may turn to: otherwise a long one
    // would be drawn in one file and left out of the next, as its angle falls.
    std::optional<double> steepest;
    if (settings->angle == WMAngles::auto_) {
        steepest = steepestAutoAngle(settings->position);
    }
    bool tooLong = false;
    stampImage =
        FenStampImageBuilder::buildStampImage(upperCased(std::string(drawnWatermarkText(text))),
                                              name, date, color, angle, &tooLong, steepest);
    // Told only of what is drawn: a cut text of a stamp that is left out is not drawn at all.
    WatermarkNotices& scope = noticeScope();
    if (tooLong) {
        scope.tell(WatermarkNotices::Kind::stampTooLong,
                   "The stamp text is too long to draw: the stamp is left out.");
    } else if (!stampImage.isNull()) {
        scope.tellWhenCut(WatermarkNotices::Kind::stampTextCut, "The stamp text", text);
        if (name) {
            scope.tellWhenCut(WatermarkNotices::Kind::stampNameCut, "The stamp's name line",
                              line.nameValue);
        }
    }
}

void FenObjectHolder::updateOtherObject(const std::optional<PageNumberSettings>& settings) {
    if (!settings || !settings->numberTextColor || !settings->numberTextColor->stampText) {
        othePagenumberImage = {};
        return;
    }
    auto size = static_cast<double>(settings->font.size);
    text::Font font = resolvedFont(settings->font.familyname, settings->font.style, size)
                          .value_or(text::Font::systemFont(size));
    const std::string& format = *settings->numberTextColor->stampText;
    noticeScope().tellWhenCut(WatermarkNotices::Kind::pageNumberFormatCut, "The page-number format",
                              format);
    othePagenumberImage = FenOtherPagenumber::renderPageNumberImage(
        format, font, settings->numberTextColor->stampColor, settings->style,
        settings->pagenumberConf.toPage);
}

void FenObjectHolder::refreshImageObject(const std::optional<ImageSettings>& settings) {
    updateImageObject(settings);
    postThumbnail(imageImage, "ImageImage_");
}

void FenObjectHolder::refreshStampObject(const std::optional<StampSettings>& settings) {
    updateStampObject(settings);
    postThumbnail(stampImage, "StampImage_");
}

void FenObjectHolder::refreshOtherObject(const std::optional<PageNumberSettings>& settings) {
    updateOtherObject(settings);
    postThumbnail(othePagenumberImage, "OtherImage_");
}

void FenObjectHolder::postThumbnail(const gfx::Image& image, const std::string& baseName) const {
    if (!thumbnailPoster) {
        return;
    }
    if (std::shared_ptr<FenWatermarkModel> live = model.lock()) {
        thumbnailPoster(image, scopedName(baseName, live->processorID));
    }
}

} // namespace fen

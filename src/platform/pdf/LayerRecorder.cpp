#include "platform/pdf/LayerRecorder.h"

#include "platform/graphics/Image.h"
#include "platform/pdf/BitmapEncoding.h"
#include "platform/pdf/RasterEncoder.h"

#include <cairo.h>

namespace fen::pdf {

namespace {
const cairo_user_data_key_t recorderKey{};
}

LayerRecorder::LayerRecorder(cairo_surface_t* surface, const Document& document)
    : surface_(surface), document_(document) {
    cairo_surface_set_user_data(surface_, &recorderKey, this, nullptr);
    gfx::ImagePlacer::attach(surface_, this);
}

LayerRecorder::~LayerRecorder() {
    gfx::ImagePlacer::attach(surface_, nullptr);
    cairo_surface_set_user_data(surface_, &recorderKey, nullptr, nullptr);
    encoder_.reset(); // finishes the queued pictures before the merge takes them
}

LayerRecorder* LayerRecorder::of(cairo_t* cr) {
    if (!cr || cairo_get_group_target(cr) != cairo_get_target(cr)) {
        return nullptr;
    }
    return static_cast<LayerRecorder*>(
        cairo_surface_get_user_data(cairo_get_target(cr), &recorderKey));
}

bool LayerRecorder::isRecording(cairo_t* cr) {
    return cr && cairo_surface_get_user_data(cairo_get_target(cr), &recorderKey) != nullptr;
}

void LayerRecorder::beginPage(int index, const gfx::Rect& area) {
    if (static_cast<int>(pages_.size()) <= index) {
        pages_.resize(static_cast<size_t>(index) + 1);
    }
    current_ = index;
    pages_[static_cast<size_t>(index)].area = area;
}

void LayerRecorder::endPage(cairo_t* cr) {
    if (current_ >= 0) {
        endSegment(cr);
    }
    current_ = -1;
}

void LayerRecorder::endSegment(cairo_t* cr) {
    cairo_show_page(cr);
    PageRecord& page = pages_[static_cast<size_t>(current_)];
    int segment = segments_++;
    (page.baseDrawn ? page.over : page.under).push_back(Step{segment, {}});
    if (segmentListener_) {
        segmentListener_(segment);
    }
}

bool LayerRecorder::markBaseDraw(const Document& document, int index, cairo_t* cr,
                                 bool drewBefore) {
    if (current_ < 0 || &document != &document_ || index != current_ ||
        pages_[static_cast<size_t>(current_)].baseDrawn) {
        return false;
    }
    // An empty recorded page costs cairo a page, and the merge a page to read, for every page
    // of the write.
    if (drewBefore || !pages_[static_cast<size_t>(current_)].under.empty()) {
        endSegment(cr);
    }
    pages_[static_cast<size_t>(current_)].baseDrawn = true;
    return true;
}

bool LayerRecorder::placeImage(const std::shared_ptr<const PageImageSource>& source, cairo_t* cr,
                               double alpha) {
    if (current_ < 0) {
        return false;
    }
    endSegment(cr);
    PageRecord& page = pages_[static_cast<size_t>(current_)];
    // The recording's device space is y down from the top of the recorded area; the written page's
    // user space is y up from the area's lower-left corner at (area.x, area.y).
    cairo_matrix_t ctm, flip, total;
    cairo_get_matrix(cr, &ctm);
    cairo_matrix_init(&flip, 1, 0, 0, -1, page.area.minX(), page.area.maxY());
    cairo_matrix_multiply(&total, &ctm, &flip);
    ImagePlacement placement{
        source, {total.xx, total.yx, total.xy, total.yy, total.x0, total.y0}, alpha};
    (page.baseDrawn ? page.over : page.under).push_back(Step{-1, std::move(placement)});
    return true;
}

bool LayerRecorder::placeImage(const gfx::Image& image, cairo_t* cr, double alpha,
                               gfx::InterpolationQuality quality) {
    if (current_ < 0 || image.isNull()) {
        return false;
    }
    PageRecord& page = pages_[static_cast<size_t>(current_)];
    // The placement is clipped to the recorded page only: a narrower clip is left to cairo.
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
    cairo_restore(cr);
    const bool wholePage = clip->status == CAIRO_STATUS_SUCCESS && clip->num_rectangles == 1 &&
                           clip->rectangles[0].x <= 0 && clip->rectangles[0].y <= 0 &&
                           clip->rectangles[0].x + clip->rectangles[0].width >= page.area.width &&
                           clip->rectangles[0].y + clip->rectangles[0].height >= page.area.height;
    cairo_rectangle_list_destroy(clip);
    if (!wholePage) {
        return false;
    }
    std::shared_ptr<const BitmapEncoding> encoding = BitmapEncoding::of(image);
    if (!encoding) {
        return false;
    }
    endSegment(cr);
    // The unit square of the image (row 0 at the top) onto its pixels, then as placeImage above.
    cairo_matrix_t unit, ctm, flip, toDevice, total;
    cairo_matrix_init(&unit, image.width(), 0, 0, -image.height(), 0, image.height());
    cairo_get_matrix(cr, &ctm);
    cairo_matrix_init(&flip, 1, 0, 0, -1, page.area.minX(), page.area.maxY());
    cairo_matrix_multiply(&toDevice, &unit, &ctm);
    cairo_matrix_multiply(&total, &toDevice, &flip);
    BitmapPlacement placement{std::move(encoding),
                              {total.xx, total.yx, total.xy, total.yy, total.x0, total.y0},
                              alpha,
                              quality != gfx::InterpolationQuality::none};
    (page.baseDrawn ? page.over : page.under).push_back(Step{-1, {}, {}, std::move(placement)});
    return true;
}

bool LayerRecorder::placeRaster(std::shared_ptr<RasterTask> task, cairo_t* cr,
                                const gfx::Rect& rect) {
    if (current_ < 0 || !task) {
        return false;
    }
    endSegment(cr);
    PageRecord& page = pages_[static_cast<size_t>(current_)];
    // The unit square of the picture onto `rect`, then as placeImage.
    cairo_matrix_t unit, ctm, flip, toDevice, total;
    cairo_matrix_init(&unit, rect.width, 0, 0, rect.height, rect.x, rect.y);
    cairo_get_matrix(cr, &ctm);
    cairo_matrix_init(&flip, 1, 0, 0, -1, page.area.minX(), page.area.maxY());
    cairo_matrix_multiply(&toDevice, &unit, &ctm);
    cairo_matrix_multiply(&total, &toDevice, &flip);
    if (!encoder_) {
        encoder_ = std::make_unique<RasterEncoder>(0, spill_, gauge_);
    }
    encoder_->submit(task);
    RasterPlacement placement{std::move(task),
                              {total.xx, total.yx, total.xy, total.yy, total.x0, total.y0}};
    (page.baseDrawn ? page.over : page.under).push_back(Step{-1, {}, std::move(placement)});
    return true;
}

void LayerRecorder::cancelRasters() {
    if (encoder_) {
        encoder_->cancelPending();
    }
}

} // namespace fen::pdf

#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/graphics/ImagePlacer.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace fen::pdf {

class BitmapEncoding;
class Document;
class PageImageSource;
class PictureMemoryGauge;
class RasterEncoder;
class RasterSpill;
class RasterTask;

// Records the drawing of each page of a write on one cairo PDF surface. A page's drawing is cut
// into segments (pages of the recording): one ends where the page calls the base draw, and one
// ends around each PDF page image, bitmap image and deferred picture drawn, which the writer
// places itself. Steps before the base draw go under the original content, steps after it go
// over it.
//
// The recorder attaches itself to the surface, so the base draw, PageImage and the contexts'
// image drawing find it from any context that draws directly on that surface.
class LayerRecorder : public gfx::ImagePlacer {
public:
    // A PDF page image placed with `matrix` (cairo order xx, yx, xy, yy, x0, y0) from its user
    // space to the written page's user space, at `alpha`.
    struct ImagePlacement {
        std::shared_ptr<const PageImageSource> source;
        std::array<double, 6> matrix{};
        double alpha = 1;
    };
    // A deferred picture (DeferredRaster) placed with `matrix` from its unit square (row 0 at
    // the top) to the written page's user space.
    struct RasterPlacement {
        std::shared_ptr<RasterTask> task;
        std::array<double, 6> matrix{};
    };
    // A bitmap image placed with `matrix` from its unit square (row 0 at the top) to the written
    // page's user space, at `alpha`, smoothed when scaled if `interpolate`.
    struct BitmapPlacement {
        std::shared_ptr<const BitmapEncoding> encoding;
        std::array<double, 6> matrix{};
        double alpha = 1;
        bool interpolate = true;
    };
    // A recorded segment (its page number in the recording, 0-based), a PDF page image
    // placement, a deferred picture (when `raster.task` is set) or a bitmap image (when
    // `bitmap.encoding` is set).
    struct Step {
        int segment = -1;
        ImagePlacement image;
        RasterPlacement raster;
        BitmapPlacement bitmap;
    };
    struct PageRecord {
        std::vector<Step> under, over;
        bool baseDrawn = false;
        // The recorded area, in the written page's user space: the media box.
        gfx::Rect area;
    };

    LayerRecorder(cairo_surface_t* surface, const Document& document);
    ~LayerRecorder() override;
    LayerRecorder(const LayerRecorder&) = delete;
    LayerRecorder& operator=(const LayerRecorder&) = delete;

    // The recorder of the surface that `cr` draws on, when it draws on it directly (not into a
    // group); null otherwise.
    static LayerRecorder* of(cairo_t* cr);
    // True when `cr` draws for a recording at all, directly or into a group.
    static bool isRecording(cairo_t* cr);

    void beginPage(int index, const gfx::Rect& area);
    // Ends the page's last segment.
    void endPage(cairo_t* cr);

    // Called by the base draw of page `index` of `document`: true when that is the page being
    // recorded and its first base draw, which then ends the segment under the content. When the
    // page says it drew nothing before (`drewBefore` false) and placed nothing either, there is
    // no such segment: the page's recording goes on as the first segment over the content.
    bool markBaseDraw(const Document& document, int index, cairo_t* cr, bool drewBefore = true);
    // Records a placement of `source` with `cr`'s current matrix; false when no page is being
    // recorded (the caller then draws the image itself).
    bool placeImage(const std::shared_ptr<const PageImageSource>& source, cairo_t* cr,
                    double alpha);

    // Records a bitmap image with `cr`'s current matrix from its pixel space (the image's
    // pixels compressed once, see BitmapEncoding); false when no page is being recorded or the
    // context clips within the recorded page (cairo then draws it, clipped).
    bool placeImage(const gfx::Image& image, cairo_t* cr, double alpha,
                    gfx::InterpolationQuality quality) override;

    // Records a deferred picture stretched to `rect` of `cr`'s user space and queues it on the
    // write's workers (made on first use); false when no page is being recorded. The recorder's
    // destruction waits for every queued picture that was not cancelled.
    bool placeRaster(std::shared_ptr<RasterTask> task, cairo_t* cr, const gfx::Rect& rect);
    // Drops the queued pictures that have not started (a stopped write).
    void cancelRasters();
    // Where the deferred pictures go once compressed, and what counts those held in memory;
    // set before the first picture is placed.
    void keepPicturesIn(std::shared_ptr<RasterSpill> spill, PictureMemoryGauge* gauge) {
        spill_ = std::move(spill);
        gauge_ = gauge;
    }

    // Called after each segment is finished (its page of the recording written), with its number.
    void setSegmentListener(std::function<void(int segment)> listener) {
        segmentListener_ = std::move(listener);
    }

    const std::vector<PageRecord>& pages() const { return pages_; }
    int segmentCount() const { return segments_; }

private:
    void endSegment(cairo_t* cr);

    cairo_surface_t* surface_;
    const Document& document_;
    std::vector<PageRecord> pages_;
    int current_ = -1;
    int segments_ = 0;
    std::unique_ptr<RasterEncoder> encoder_;
    std::shared_ptr<RasterSpill> spill_;
    PictureMemoryGauge* gauge_ = nullptr;
    std::function<void(int segment)> segmentListener_;
};

} // namespace fen::pdf

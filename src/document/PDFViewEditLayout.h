#pragma once

#include "platform/graphics/Geometry.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace fen {

// A rectangle of whole pixels, y down; positions in 64 bits, since a tall document at a high
// zoom runs past the range of an int.
struct PixelRect {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool isEmpty() const { return width <= 0 || height <= 0; }
    std::int64_t right() const { return x + width; }
    std::int64_t bottom() const { return y + height; }
    std::int64_t area() const { return isEmpty() ? 0 : width * height; }
    PixelRect intersected(const PixelRect& other) const;
    bool contains(const PixelRect& other) const;
    bool operator==(const PixelRect&) const = default;
};

// Where the editor's pages lie at a scale, in pixels: one under another, `margin` pixels around
// and between them, each centred in the view or at the margin when wider. The highest scale is
// capped so that the whole column stays within a scroll bar's range (an int), whatever the
// number and size of the pages.
class PDFViewEditLayout {
public:
    static constexpr int margin = 10;
    static constexpr double minScale = 0.1;
    static constexpr double maxScale = 8;
    // A page held whole needs at most this many pixels (and at most cairo's 32767 a side);
    // beyond that only the part of it near the view is rendered.
    static constexpr std::int64_t wholePagePixels = 4'000'000;
    // A partial region is grown out to this grid, so that small scrolls reuse it.
    static constexpr std::int64_t regionGrid = 256;

    void setSizes(std::vector<gfx::Size> sizes);
    const std::vector<gfx::Size>& sizes() const { return sizes_; }
    int pageCount() const { return static_cast<int>(sizes_.size()); }

    // The highest scale this document allows: maxScale, or less where the column would not fit.
    double highestScale() const;
    // The scale clamped between minScale (or highestScale, when that is lower) and highestScale.
    double clampScale(double scale) const;
    // The scale that fits the widest page across a view of `viewWidth` × `viewHeight` pixels and
    // the first page within its height, clamped (1 without pages).
    double fitScale(int viewWidth, int viewHeight) const;
    // Lays the pages out at `scale` (pixels per point).
    void setScale(double scale);
    double scale() const { return scale_; }

    std::int64_t contentHeight() const { return contentHeight_; }
    std::int64_t contentWidth() const { return contentWidth_; }
    std::int64_t top(int index) const { return tops_[static_cast<std::size_t>(index)]; }
    // A page's size in pixels at the scale (at least one pixel a side).
    std::int64_t pageWidth(int index) const;
    std::int64_t pageHeight(int index) const;
    // The page's rectangle in the column of a view `viewWidth` pixels wide (unscrolled).
    PixelRect pageRect(int index, std::int64_t viewWidth) const;

    // The first and last page that reach into [top, bottom); (0, -1) when there are none.
    std::pair<int, int> pagesWithin(std::int64_t top, std::int64_t bottom) const;
    // The page under the line `y`, or the nearest one (-1 without pages).
    int pageAt(std::int64_t y) const;

    // The part of a page of `pageWidth` × `pageHeight` pixels worth rendering when `wanted` (in
    // the page's own pixels) lies near the view: the whole page while it is small enough, else
    // `wanted` grown out to the grid and kept inside the page.
    static PixelRect renderRegion(std::int64_t pageWidth, std::int64_t pageHeight,
                                  const PixelRect& wanted);

private:
    std::vector<gfx::Size> sizes_;
    std::vector<std::int64_t> tops_;
    double scale_ = 1;
    std::int64_t contentHeight_ = 0;
    std::int64_t contentWidth_ = 0;
};

} // namespace fen

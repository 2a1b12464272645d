#include "document/PDFViewEditLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace fen {

namespace {

// The tallest column a scroll bar can cover, with room to spare for the view's own height.
constexpr std::int64_t columnLimit = INT_MAX - (1 << 20);
// cairo's largest side of a bitmap.
constexpr std::int64_t bitmapSide = 32767;

std::int64_t pixels(double points, double scale) {
    return std::max<std::int64_t>(1, std::llround(points * scale));
}

std::int64_t floorTo(std::int64_t value, std::int64_t grid) {
    return value / grid * grid;
}

} // namespace

PixelRect PixelRect::intersected(const PixelRect& other) const {
    const std::int64_t left = std::max(x, other.x);
    const std::int64_t top = std::max(y, other.y);
    const std::int64_t r = std::min(right(), other.right());
    const std::int64_t b = std::min(bottom(), other.bottom());
    if (r <= left || b <= top) {
        return {};
    }
    return {left, top, r - left, b - top};
}

bool PixelRect::contains(const PixelRect& other) const {
    return !isEmpty() && other.x >= x && other.y >= y && other.right() <= right() &&
           other.bottom() <= bottom();
}

void PDFViewEditLayout::setSizes(std::vector<gfx::Size> sizes) {
    sizes_ = std::move(sizes);
    setScale(scale_);
}

double PDFViewEditLayout::highestScale() const {
    double height = 0;
    double widest = 0;
    for (const gfx::Size& size : sizes_) {
        height += size.height;
        widest = std::max(widest, size.width);
    }
    const auto count = static_cast<double>(sizes_.size());
    double highest = maxScale;
    if (height > 0) {
        // Each page's rounding may add half a pixel.
        highest = std::min(
            highest, (static_cast<double>(columnLimit) - margin * (count + 1) - count) / height);
    }
    if (widest > 0) {
        highest = std::min(highest, (static_cast<double>(columnLimit) - 2 * margin - 1) / widest);
    }
    return std::max(highest, 1e-6);
}

double PDFViewEditLayout::clampScale(double scale) const {
    const double highest = highestScale();
    return std::clamp(scale, std::min(minScale, highest), highest);
}

double PDFViewEditLayout::fitScale(int viewWidth, int viewHeight) const {
    if (sizes_.empty()) {
        return 1;
    }
    double widest = 0;
    for (const gfx::Size& size : sizes_) {
        widest = std::max(widest, size.width);
    }
    // One pixel to spare, so that rounding never makes the fitted page scroll.
    const double width = std::max(1, viewWidth - 2 * margin - 1);
    const double height = std::max(1, viewHeight - 2 * margin - 1);
    return clampScale(std::min(width / widest, height / sizes_.front().height));
}

void PDFViewEditLayout::setScale(double scale) {
    scale_ = scale;
    tops_.clear();
    tops_.reserve(sizes_.size());
    std::int64_t y = margin;
    std::int64_t widest = 0;
    for (std::size_t i = 0; i < sizes_.size(); ++i) {
        tops_.push_back(y);
        y += pageHeight(static_cast<int>(i)) + margin;
        widest = std::max(widest, pageWidth(static_cast<int>(i)));
    }
    contentHeight_ = y;
    contentWidth_ = widest + 2 * margin;
}

std::int64_t PDFViewEditLayout::pageWidth(int index) const {
    return pixels(sizes_[static_cast<std::size_t>(index)].width, scale_);
}

std::int64_t PDFViewEditLayout::pageHeight(int index) const {
    return pixels(sizes_[static_cast<std::size_t>(index)].height, scale_);
}

PixelRect PDFViewEditLayout::pageRect(int index, std::int64_t viewWidth) const {
    if (index < 0 || index >= pageCount()) {
        return {};
    }
    const std::int64_t width = pageWidth(index);
    return {std::max<std::int64_t>(margin, (viewWidth - width) / 2), top(index), width,
            pageHeight(index)};
}

std::pair<int, int> PDFViewEditLayout::pagesWithin(std::int64_t top, std::int64_t bottom) const {
    if (tops_.empty() || bottom <= top) {
        return {0, -1};
    }
    // The last page whose top lies at or above `top`, up to the last whose top lies above
    // `bottom`.
    auto first = std::upper_bound(tops_.begin(), tops_.end(), top);
    int from = std::max(0, static_cast<int>(first - tops_.begin()) - 1);
    if (tops_[static_cast<std::size_t>(from)] + pageHeight(from) <= top) {
        ++from; // `top` lies in the margin below page `from`
    }
    auto last = std::lower_bound(tops_.begin(), tops_.end(), bottom);
    const int to = std::min(static_cast<int>(last - tops_.begin()) - 1, pageCount() - 1);
    return {from, to};
}

int PDFViewEditLayout::pageAt(std::int64_t y) const {
    if (tops_.empty()) {
        return -1;
    }
    auto after = std::upper_bound(tops_.begin(), tops_.end(), y);
    return std::max(0, static_cast<int>(after - tops_.begin()) - 1);
}

PixelRect PDFViewEditLayout::renderRegion(std::int64_t pageWidth, std::int64_t pageHeight,
                                          const PixelRect& wanted) {
    const PixelRect page{0, 0, pageWidth, pageHeight};
    if (page.area() <= wholePagePixels && pageWidth <= bitmapSide && pageHeight <= bitmapSide) {
        return page;
    }
    const PixelRect near = wanted.intersected(page);
    if (near.isEmpty()) {
        return {};
    }
    const std::int64_t left = floorTo(near.x, regionGrid);
    const std::int64_t top = floorTo(near.y, regionGrid);
    const std::int64_t right = floorTo(near.right() + regionGrid - 1, regionGrid);
    const std::int64_t bottom = floorTo(near.bottom() + regionGrid - 1, regionGrid);
    PixelRect region = PixelRect{left, top, right - left, bottom - top}.intersected(page);
    region.width = std::min(region.width, bitmapSide);
    region.height = std::min(region.height, bitmapSide);
    return region;
}

} // namespace fen

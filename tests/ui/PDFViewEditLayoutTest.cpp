// Where the editor's pages lie: positions past the range of an int, the zoom cap that keeps the
// column within a scroll bar, and the part of a big page worth rendering.
#include "document/PDFViewEditLayout.h"

#include <gtest/gtest.h>

#include <climits>

namespace fen {
namespace {

TEST(PDFViewEditLayout, TheHighestScaleKeepsTheColumnWithinAScrollBar) {
    struct Case {
        const char* what;
        int pages;
        gfx::Size size;
        bool capped;
    };
    const Case cases[] = {
        {"one letter page", 1, {612, 792}, false},
        {"500 letter pages", 500, {612, 792}, false},
        {"20,000 tall strips", 20000, {100, 14400}, true},
        {"one page too wide", 1, {3.0e8, 100}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PDFViewEditLayout layout;
        layout.setSizes(std::vector<gfx::Size>(static_cast<std::size_t>(c.pages), c.size));
        const double highest = layout.highestScale();
        EXPECT_EQ(highest < PDFViewEditLayout::maxScale, c.capped);
        EXPECT_EQ(layout.clampScale(1000), highest);
        layout.setScale(highest);
        EXPECT_LE(layout.contentHeight(), INT_MAX);
        EXPECT_LE(layout.contentWidth(), INT_MAX);
        if (c.capped) {
            // The cap gives up little: the column still fills most of the range.
            EXPECT_GT(std::max(layout.contentHeight(), layout.contentWidth()), INT_MAX / 10 * 9);
        }
    }
}

TEST(PDFViewEditLayout, TheFittedScaleFitsTheWidestPageAndTheFirstPagesHeight) {
    struct Case {
        const char* what;
        std::vector<gfx::Size> sizes;
        double scale;
    };
    // A view of 1400 × 1000 pixels leaves 1379 × 979 within the margins and the spare pixel.
    const Case cases[] = {
        {"no page", {}, 1},
        {"a letter page: its height", {{612, 792}}, 979.0 / 792},
        {"a wide page: its width", {{2000, 500}}, 1379.0 / 2000},
        {"the widest page, not the first", {{612, 792}, {3000, 100}}, 1379.0 / 3000},
        {"a tiny page: the highest scale", {{10, 10}}, PDFViewEditLayout::maxScale},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PDFViewEditLayout layout;
        layout.setSizes(c.sizes);
        EXPECT_DOUBLE_EQ(layout.fitScale(1400, 1000), c.scale);
    }
}

TEST(PDFViewEditLayout, PositionsPastTheRangeOfAnIntStayExact) {
    PDFViewEditLayout layout;
    layout.setSizes(std::vector<gfx::Size>(20000, gfx::Size{100, 14400}));
    layout.setScale(8); // above the cap: the layout itself still holds it
    const int last = layout.pageCount() - 1;
    const std::int64_t step = 14400 * 8 + PDFViewEditLayout::margin;
    EXPECT_EQ(layout.top(last), PDFViewEditLayout::margin + step * last);
    EXPECT_GT(layout.top(last), std::int64_t{INT_MAX});
    EXPECT_EQ(layout.contentHeight(), layout.top(last) + step);
    EXPECT_EQ(layout.pageAt(layout.top(last) + 5), last);
    EXPECT_EQ(layout.pageAt(layout.top(12345) - 1), 12344); // in the margin above a page
    const auto [from, to] = layout.pagesWithin(layout.top(last) - 50, layout.top(last) + 50);
    EXPECT_EQ(from, last - 1);
    EXPECT_EQ(to, last);
    const auto [first, only] = layout.pagesWithin(layout.top(7) + 10, layout.top(7) + 20);
    EXPECT_EQ(first, 7);
    EXPECT_EQ(only, 7);
}

TEST(PDFViewEditLayout, ABigPageIsRenderedOnlyNearTheView) {
    struct Case {
        const char* what;
        std::int64_t width, height;
        PixelRect wanted;
        bool whole;
    };
    const Case cases[] = {
        {"a letter page at zoom 2", 1224, 1584, {0, 100, 500, 400}, true},
        {"a page past the whole-page pixels", 4000, 4000, {1000, 1000, 300, 200}, false},
        {"a page past cairo's side", 40000, 50, {0, 0, 10, 10}, false},
        {"a 14400 pt page at zoom 8", 115200, 115200, {57000, 60001, 2100, 1700}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PixelRect region = PDFViewEditLayout::renderRegion(c.width, c.height, c.wanted);
        const PixelRect page{0, 0, c.width, c.height};
        if (c.whole) {
            EXPECT_EQ(region, page);
            continue;
        }
        EXPECT_TRUE(page.contains(region));
        EXPECT_TRUE(region.contains(c.wanted.intersected(page)));
        EXPECT_EQ(region.x % PDFViewEditLayout::regionGrid, 0);
        EXPECT_EQ(region.y % PDFViewEditLayout::regionGrid, 0);
        EXPECT_LE(region.area(), (c.wanted.width + 2 * PDFViewEditLayout::regionGrid) *
                                     (c.wanted.height + 2 * PDFViewEditLayout::regionGrid));
    }
    // Nothing of a big page near the view: nothing to render.
    EXPECT_TRUE(PDFViewEditLayout::renderRegion(115200, 115200, {}).isEmpty());
}

} // namespace
} // namespace fen

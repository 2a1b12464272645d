#pragma once

#include "model/OtherStyles.h"
#include "model/PageNumberSettings.h"
#include "model/Positions.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Font.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fen {

// Draws the page-number watermark: the format filled for one page, on the pages fromPage to
// toPage only, 10 points plus the distances to the edge from the page edges (odd and even
// placements alternate sides by physical page); and renders the settings panel's preview.
class FenOtherPagenumber {
public:
    // The format filled for `pageNumber` (absent counts as 1): "#currentPage" is
    // page − fromPage + startAt, "#totalPages" is `total` (absent counts as 1) and "#lastPage" is
    // toPage − fromPage + startAt, in `font` and `color`. A format longer than
    // maximumWatermarkTextLength characters is filled as its first that many.
    static text::AttributedString makePageNumberAttributedString(
        const std::string& format, std::optional<std::int64_t> pageNumber,
        std::optional<std::int64_t> total, const text::Font& font, const gfx::Color& color,
        OtherStyles style, std::int64_t fromPage, std::int64_t toPage, std::int64_t startAt);

    // Draws the page number of physical page `pageNumber` (absent counts as 1) inside the page
    // rectangle `rect`, turned with the page by `rotation` degrees. Nothing without a format or
    // settings, or outside the page range. The context's graphics state is the same afterwards.
    static void drawPageNumber(const gfx::Rect& rect, const std::optional<std::string>& format,
                               const std::optional<PageNumberSettings>& settings,
                               std::optional<std::int64_t> pageNumber, gfx::Context& context,
                               double rotation);

    // Places `string` at `position` for physical page `pageNumber` and draws it, `vertical` and
    // `horizontal` points further in from the edges (centred placements take no horizontal
    // distance, the middle no vertical one).
    static void drawPageNumberAtPlacement(const text::AttributedString& string,
                                          std::int64_t pageNumber, Positions position,
                                          gfx::Context& context, double rotation, double vertical,
                                          double horizontal, const gfx::Rect& rect);

    // The preview of the settings panel: the format filled for page 1 of pages 1 to `n`, in the
    // font's face at 100 points, drawn into a bitmap of the text's size (at most 1000 × 1000).
    // The null image when the text is empty or no bitmap can be made.
    static gfx::Image renderPageNumberImage(const std::string& format, const text::Font& font,
                                            const gfx::Color& color, OtherStyles style,
                                            std::int64_t n);
};

} // namespace fen

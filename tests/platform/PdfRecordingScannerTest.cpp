#include "platform/pdf/RecordingScanner.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace fen::pdf {
namespace {

cairo_status_t append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

TEST(PdfRecordingScanner, TellsEmptyPagesFromPaintedOnesInCairosOutput) {
    const std::vector<std::pair<std::function<void(cairo_t*)>, bool>> pages = {
        {[](cairo_t*) {}, false},
        {[](cairo_t* cr) {
             cairo_rectangle(cr, 10, 10, 20, 20);
             cairo_fill(cr);
         },
         true},
        {[](cairo_t* cr) {
             cairo_save(cr);
             cairo_translate(cr, 5, 5);
             cairo_set_source_rgb(cr, 1, 0, 0);
             cairo_restore(cr);
         },
         false},
        {[](cairo_t* cr) {
             cairo_move_to(cr, 20, 50);
             cairo_show_text(cr, "q Q text");
         },
         true},
        {[](cairo_t* cr) {
             cairo_push_group(cr);
             cairo_rectangle(cr, 0, 0, 50, 50);
             cairo_fill(cr);
             cairo_pop_group_to_source(cr);
             cairo_paint_with_alpha(cr, 0.5);
         },
         true},
        {[](cairo_t* cr) {
             cairo_move_to(cr, 0, 0);
             cairo_line_to(cr, 100, 100);
             cairo_stroke(cr);
         },
         true},
        {[](cairo_t*) {}, false},
    };
    std::string bytes;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(append, &bytes, 200, 200);
    RecordingScanner scanner;
    size_t start = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        cairo_pdf_surface_set_size(surface, 200 + static_cast<double>(i), 200);
        cairo_t* cr = cairo_create(surface);
        pages[i].first(cr);
        cairo_show_page(cr);
        cairo_destroy(cr);
        auto paints = scanner.pagePaints(std::string_view(bytes).substr(start));
        start = bytes.size();
        ASSERT_TRUE(paints.has_value()) << i;
        EXPECT_EQ(*paints, pages[i].second) << i;
    }
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);

    EXPECT_FALSE(scanner.pagePaints("").has_value());
    EXPECT_FALSE(scanner.pagePaints("<< /Type /Pages /Contents 4 0 R >>").has_value());
    EXPECT_FALSE(scanner
                     .pagePaints("4 0 obj\n<< /Length 3 /Filter /FlateDecode >>\nstream\n"
                                 "xyz\nendstream\nendobj\n"
                                 "2 0 obj << /Type /Page /Contents 4 0 R >> endobj")
                     .has_value()); // not deflated data
    EXPECT_EQ(scanner.pagePaints("4 0 obj\n<< /Length 9 >>\nstream\n0 0 m 1 1 l S\nendstream\n"
                                 "endobj\n2 0 obj << /Type /Page /Contents 4 0 R >> endobj"),
              std::optional<bool>(true));
}

} // namespace
} // namespace fen::pdf

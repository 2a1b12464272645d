#include "platform/pdf/RecordingScanner.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
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

TEST(PdfRecordingScanner, FindsTheEarlierPageRecordedAlike) {
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_t* pc = cairo_create(picture);
    cairo_set_source_rgba(pc, 0, 0.5, 1, 0.5);
    cairo_paint(pc);
    cairo_destroy(pc);
    auto text = [](const char* s, double alpha) {
        return [s, alpha](cairo_t* cr) {
            cairo_set_source_rgba(cr, 0.8, 0.1, 0.1, alpha);
            cairo_move_to(cr, 20, 100);
            cairo_set_font_size(cr, 30);
            cairo_show_text(cr, s);
        };
    };
    auto image = [picture](cairo_t* cr) {
        cairo_set_source_surface(cr, picture, 30, 30);
        cairo_paint(cr);
    };
    // Each page with the page it should repeat (-1: none), and its width.
    const std::vector<std::tuple<std::function<void(cairo_t*)>, int, double>> pages = {
        {text("DRAFT", 0.5), -1, 200},
        {text("DRAFT", 0.5), 0, 200},
        {text("DRAFT", 0.4), -1, 200}, // another colour alpha
        {text("DRAFS", 0.5), -1, 200}, // other glyphs
        {text("DRAFT", 0.5), -1, 210}, // another page size
        {image, -1, 200},              // writes the picture: it is this page's own object
        {image, -1, 200},              // refers to the picture written before
        {image, 6, 200},
        {text("DRAFT", 0.5), 0, 200},
    };
    std::string bytes;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(append, &bytes, 200, 200);
    RecordingScanner scanner;
    size_t start = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        const auto& [draw, alike, width] = pages[i];
        cairo_pdf_surface_set_size(surface, width, 200);
        cairo_t* cr = cairo_create(surface);
        draw(cr);
        cairo_show_page(cr);
        cairo_destroy(cr);
        EXPECT_EQ(scanner.earlierAlike(bytes, start, static_cast<int>(i)), alike) << i;
        start = bytes.size();
    }
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    cairo_surface_destroy(picture);

    // Page numbers in comments and the objects' own numbers do not matter; their data does,
    // compared byte for byte, with lengths stated directly or by an object after the data.
    auto page = [](int first, const std::string& data, bool indirect, const char* comment) {
        std::string n = std::to_string(first), l = std::to_string(first + 1);
        std::string length = indirect ? l + " 0 R" : std::to_string(data.size());
        std::string s =
            n + " 0 obj\n<< /Length " + length + " >>\nstream\n" + data + "\nendstream\nendobj\n";
        if (indirect) {
            s += l + " 0 obj\n   " + std::to_string(data.size()) + "\nendobj\n";
        }
        return s + std::to_string(first + 2) + " 0 obj\n<< /Type /Page " + comment +
               "\n /Contents " + n + " 0 R /Resources << /Font << /F 1 0 R >> >> >>\nendobj\n";
    };
    RecordingScanner other;
    std::string recorded;
    auto add = [&](const std::string& p, int index) {
        size_t at = recorded.size();
        recorded += p;
        return other.earlierAlike(recorded, at, index);
    };
    EXPECT_EQ(add(page(10, "0 0 m 9 9 l S endstream", true, "% 1"), 0), -1);
    EXPECT_EQ(add(page(20, "0 0 m 9 9 l S endstream", true, "% 2"), 1), 0);
    EXPECT_EQ(add(page(30, "0 0 m 9 8 l S endstream", true, "% 3"), 2), -1);
    EXPECT_EQ(add(page(40, "0 0 m 9 9 l S endstream", false, "% 4"), 3), -1);
    EXPECT_EQ(add(page(50, "0 0 m 9 9 l S endstream", false, ""), 4), 3);
    EXPECT_EQ(add("<< /Type /Page ( >>", 5), -1); // not objects as cairo writes them
    EXPECT_EQ(add("4 0 obj\n<< /Length 99 >>\nstream\nabc\nendstream\nendobj\n", 6), -1);
}

} // namespace
} // namespace fen::pdf

#include "platform/pdf/PopplerSource.h"

#include "platform/pdf/Document.h"

#include <cairo.h>
#include <poppler.h>

#include <string_view>

namespace fen::pdf {

namespace {

// The password as poppler-glib is to be given it: the bytes qpdf took (no revision compares more
// than the first 127), each spelt as the Latin-1 character of its value. Its glib layer turns the
// UTF-8 it gets into Latin-1 for a first try, which this turns back into exactly those bytes; a
// first try that failed would go on to a second one, which crashes poppler 22 on bytes, and its
// core overruns its stack on a password longer than 127 bytes.
std::string popplerPassword(std::string_view password) {
    std::string spelt;
    for (const unsigned char byte : password.substr(0, maximumPasswordBytes)) {
        if (byte < 0x80) {
            spelt += static_cast<char>(byte);
        } else {
            spelt += static_cast<char>(0xC0 | (byte >> 6));
            spelt += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return spelt;
}

} // namespace

PopplerSource::PopplerSource(std::shared_ptr<const std::string> bytes,
                             const std::optional<std::string>& password)
    : bytes_(std::move(bytes)) {
    if (password) {
        password_ = popplerPassword(*password);
    }
}

PopplerSource::~PopplerSource() {
    for (auto& [thread, doc] : documents_) {
        if (doc) {
            g_object_unref(doc);
        }
    }
}

PopplerDocument* PopplerSource::documentForThisThread() {
    std::lock_guard lock(mutex_);
    auto id = std::this_thread::get_id();
    auto it = documents_.find(id);
    if (it != documents_.end()) {
        return it->second;
    }
    // The bytes outlive every poppler document made here (they are released after them).
    GBytes* gbytes = g_bytes_new_static(bytes_->data(), bytes_->size());
    GError* error = nullptr;
    PopplerDocument* doc =
        poppler_document_new_from_bytes(gbytes, password_ ? password_->c_str() : nullptr, &error);
    g_bytes_unref(gbytes);
    if (error) {
        g_error_free(error);
    }
    documents_[id] = doc;
    return doc;
}

bool PopplerSource::drawInUserSpace(cairo_t* cr, int index, const gfx::Rect& crop, int rotation,
                                    bool annotations) {
    PopplerDocument* doc = documentForThisThread();
    if (!doc || index < 0 || index >= poppler_document_get_n_pages(doc)) {
        return false;
    }
    PopplerPage* page = poppler_document_get_page(doc, index);
    if (!page) {
        return false;
    }
    // poppler draws the crop box turned clockwise by /Rotate, y down, origin at the top left of
    // the turned box; this matrix maps that device space back onto PDF user space.
    double x0 = crop.minX(), y0 = crop.minY(), x1 = crop.maxX(), y1 = crop.maxY();
    cairo_matrix_t m;
    switch (rotation) {
    case 90:
        cairo_matrix_init(&m, 0, 1, 1, 0, x0, y0);
        break;
    case 180:
        cairo_matrix_init(&m, -1, 0, 0, 1, x1, y0);
        break;
    case 270:
        cairo_matrix_init(&m, 0, -1, -1, 0, x1, y1);
        break;
    default:
        cairo_matrix_init(&m, 1, 0, 0, -1, x0, y1);
        break;
    }
    cairo_save(cr);
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    cairo_clip(cr);
    cairo_transform(cr, &m);
    if (annotations) {
        poppler_page_render(page, cr);
    } else {
        poppler_page_render_for_printing_with_options(page, cr, POPPLER_PRINT_DOCUMENT);
    }
    cairo_restore(cr);
    g_object_unref(page);
    return true;
}

} // namespace fen::pdf

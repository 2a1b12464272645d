#pragma once

#include "platform/graphics/Geometry.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

typedef struct _cairo cairo_t;
typedef struct _PopplerDocument PopplerDocument;

namespace fen::pdf {

// Poppler documents over one set of PDF bytes, one per thread that draws (poppler documents must
// not be shared between threads). Used inside the PDF layer only.
class PopplerSource {
public:
    // `password` as qpdf opened the bytes with it.
    PopplerSource(std::shared_ptr<const std::string> bytes,
                  const std::optional<std::string>& password);
    ~PopplerSource();
    PopplerSource(const PopplerSource&) = delete;
    PopplerSource& operator=(const PopplerSource&) = delete;

    // Draws page `index` in its own user space: `cr`'s current matrix maps PDF user space (y up)
    // to the device. `crop` and `rotation` are the page's (poppler renders the turned crop box;
    // this undoes it). Clipped to the crop box. With `annotations` false, as printed without
    // annotations. False when poppler cannot open the bytes or the page.
    bool drawInUserSpace(cairo_t* cr, int index, const gfx::Rect& crop, int rotation,
                         bool annotations);

private:
    PopplerDocument* documentForThisThread();

    std::shared_ptr<const std::string> bytes_;
    // The password in the form poppler is given it.
    std::optional<std::string> password_;
    std::mutex mutex_;
    std::map<std::thread::id, PopplerDocument*> documents_;
};

} // namespace fen::pdf

#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/pdf/PopplerSource.h"

#include <memory>
#include <string>

namespace fen::pdf {

// The shared, immutable data behind a PageImage: the file's bytes, which page, its crop box, and
// poppler documents to draw it with. A write imports it once per file by its address.
class PageImageSource {
public:
    // `popplerBytes`, when given, are what poppler draws from instead of `bytes` (see
    // PdfStructure).
    PageImageSource(std::shared_ptr<const std::string> bytes, int index, gfx::Rect cropBox,
                    int rotation, std::shared_ptr<const std::string> popplerBytes = nullptr);

    const std::string& bytes() const { return *bytes_; }
    int index() const { return index_; }
    const gfx::Rect& cropBox() const { return cropBox_; }
    // Draws the page in its own user space through poppler (see PopplerSource).
    bool drawInUserSpace(cairo_t* cr) const;

private:
    std::shared_ptr<const std::string> bytes_;
    int index_;
    gfx::Rect cropBox_;
    int rotation_;
    std::unique_ptr<PopplerSource> poppler_;
};

} // namespace fen::pdf

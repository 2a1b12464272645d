#include "platform/pdf/PageImageSource.h"

namespace fen::pdf {

PageImageSource::PageImageSource(std::shared_ptr<const std::string> bytes, int index,
                                 gfx::Rect cropBox, int rotation,
                                 std::shared_ptr<const std::string> popplerBytes)
    : bytes_(std::move(bytes)), index_(index), cropBox_(cropBox), rotation_(rotation),
      poppler_(std::make_unique<PopplerSource>(popplerBytes ? std::move(popplerBytes) : bytes_,
                                               std::nullopt)) {}

bool PageImageSource::drawInUserSpace(cairo_t* cr) const {
    return poppler_->drawInUserSpace(cr, index_, cropBox_, rotation_, false);
}

} // namespace fen::pdf

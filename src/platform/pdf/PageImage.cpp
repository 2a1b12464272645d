#include "platform/pdf/PageImage.h"

#include "platform/foundation/WholeFileReader.h"
#include "platform/graphics/Context.h"
#include "platform/pdf/LayerRecorder.h"
#include "platform/pdf/PageImageSource.h"
#include "platform/pdf/PdfStructure.h"

#include <cairo.h>

namespace fen::pdf {

PageImage::PageImage(std::shared_ptr<const PageImageSource> source) : source_(std::move(source)) {}

std::optional<PageImage> PageImage::fromData(std::string bytes, int pageNumber) {
    PdfStructure structure = PdfStructure::read(bytes, std::nullopt);
    if (structure.result != OpenResult::opened || pageNumber < 1 ||
        pageNumber > static_cast<int>(structure.pages.size())) {
        return std::nullopt;
    }
    const PageGeometry& g = structure.pages[static_cast<size_t>(pageNumber - 1)];
    if (g.crop.isEmpty()) {
        return std::nullopt;
    }
    auto shared = std::make_shared<const std::string>(std::move(bytes));
    return PageImage(std::make_shared<const PageImageSource>(shared, pageNumber - 1, g.crop,
                                                             g.rotation, structure.popplerBytes));
}

std::optional<PageImage> PageImage::fromFile(const std::string& path, int pageNumber) {
    WholeFile file = WholeFileReader::read(std::filesystem::path(path));
    if (!file) {
        return std::nullopt;
    }
    return fromData(std::move(*file.bytes), pageNumber);
}

gfx::Rect PageImage::cropBox() const {
    return source_->cropBox();
}

void PageImage::draw(gfx::Context& ctx) const {
    if (!ctx.isTransformInvertible()) {
        return;
    }
    cairo_t* cr = ctx.cairo();
    double alpha = ctx.alpha();
    if (LayerRecorder* recorder = LayerRecorder::of(cr)) {
        if (recorder->placeImage(source_, cr, alpha)) {
            return;
        }
    }
    cairo_save(cr);
    if (alpha < 1) {
        cairo_push_group(cr);
    }
    source_->drawInUserSpace(cr);
    if (alpha < 1) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, alpha);
    }
    cairo_restore(cr);
}

} // namespace fen::pdf

// libFuzzer entry: every input is opened as a PDF and, when it opens, watermarked and written as
// the command line does it: a picture under the content, text, a frame and the input's own first
// page (as a PDF picture) over it. The first page is also shown as the editor shows it. A written
// file must open again with the same page count; a write may fail only where qpdf cannot copy
// the input either.
#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/Context.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"
#include "platform/pdf/PageImage.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Font.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace fen;

// Inputs with more pages than this are opened but not drawn: pages beyond it add time, not paths.
constexpr int maxPages = 64;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz-pdf: %s\n", what);
        std::abort();
    }
}

// A small picture, made once.
const gfx::Image& picture() {
    static const gfx::Image image = [] {
        auto bitmap = gfx::BitmapContext::create(16, 16);
        bitmap->setFillColor({0, 0.5, 1, 1});
        bitmap->fillRect({0, 0, 16, 8});
        return bitmap->makeImage();
    }();
    return image;
}

class WatermarkedPage : public pdf::Page {
public:
    WatermarkedPage(pdf::Document& document, int index, const pdf::PageImage* logo)
        : Page(document, index), logo_(logo) {}

    void draw(pdf::Box box, gfx::Context& ctx) override {
        gfx::Rect r = bounds(box);
        ctx.saveGState();
        ctx.setAlpha(0.5);
        ctx.drawImage(picture(), {0, 0, r.width / 4, r.height / 4});
        ctx.restoreGState();

        Page::draw(box, ctx);

        ctx.saveGState();
        ctx.setStrokeColor({1, 0, 0, 1});
        ctx.setLineWidth(2);
        ctx.strokeRect({4, 4, r.width - 8, r.height - 8});
        ctx.translateBy(0, r.height);
        ctx.scaleBy(1, -1);
        text::AttributedString label{"Page " + std::to_string(index() + 1) + " – Fuzz ÄÖÜ",
                                     text::Font::systemFont(14), gfx::Color{0, 0, 0, 1}};
        label.draw(ctx, gfx::Rect{10, 10, r.width - 20, r.height - 20});
        ctx.restoreGState();

        if (logo_) {
            ctx.saveGState();
            ctx.setAlpha(0.3);
            gfx::Rect c = logo_->cropBox();
            ctx.translateBy(r.width / 2, r.height / 2);
            ctx.scaleBy(40 / c.width, 40 / c.height);
            ctx.translateBy(-c.minX(), -c.minY());
            logo_->draw(ctx);
            ctx.restoreGState();
        }
    }

private:
    const pdf::PageImage* logo_;
};

// True when qpdf alone reads and writes the bytes.
bool qpdfCopies(const std::string& bytes) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processMemoryFile("input", bytes.data(), bytes.size());
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.write();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

const fs::path& scratchFolder() {
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "fuzz-pdf-XXXXXX").string();
        check(mkdtemp(pattern.data()) != nullptr, "no scratch folder");
        return fs::path(pattern);
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::optional<pdf::PageImage> logo = pdf::PageImage::fromData(bytes);

    pdf::Document doc;
    const pdf::PageImage* logoPointer = logo ? &*logo : nullptr;
    doc.setPageFactory([logoPointer](pdf::Document& d, int index) {
        return std::make_unique<WatermarkedPage>(d, index, logoPointer);
    });
    if (doc.openData(bytes) != pdf::OpenResult::opened || doc.isLocked()) {
        return 0;
    }
    int pages = doc.pageCount();
    if (pages > maxPages) {
        return 0;
    }
    if (pages > 0) {
        (void)doc.page(0)->renderForDisplay(pdf::Box::crop, 0.2);
    }

    fs::path out = scratchFolder() / "out.pdf";
    bool written = doc.write(out.string());
    if (written) {
        pdf::Document again;
        check(again.openFile(out.string()) == pdf::OpenResult::opened, "output does not open");
        check(again.pageCount() == pages, "output has another page count");
    } else {
        check(!qpdfCopies(bytes), "not written, though qpdf copies the input");
    }
    std::error_code ec;
    fs::remove(out, ec);
    return 0;
}

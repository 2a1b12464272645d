#include "platform/pdf/Document.h"

#include "platform/foundation/WholeFileReader.h"
#include "platform/graphics/Context.h"
#include "platform/pdf/LayeredWriter.h"
#include "platform/pdf/Page.h"
#include "platform/pdf/PdfStructure.h"
#include "platform/pdf/PopplerSource.h"

#include <cairo.h>
#include <qpdf/QPDF.hh>

#include <mutex>
#include <vector>

namespace fen::pdf {

struct Document::Impl {
    std::shared_ptr<const std::string> bytes = std::make_shared<const std::string>();
    std::optional<std::string> password;
    bool open = false;
    bool locked = false;
    bool encrypted = false;
    std::vector<PageGeometry> geometry;
    // The qpdf document read on opening, for the first write to start from rather than parse
    // the bytes again. A write changes the document it merges into, so each is used once: later
    // writes read the bytes anew. It reads from `bytes`, so it goes before they are replaced.
    std::mutex readMutex;
    std::unique_ptr<QPDF> read;
    bool keepsRead = true;
    std::unique_ptr<PopplerSource> poppler;
    std::mutex pagesMutex;
    std::vector<std::unique_ptr<Page>> pages;
    PageFactory factory;
};

Document::Document() : d_(std::make_unique<Impl>()) {}

Document::~Document() = default;

OpenResult Document::openData(std::string bytes, const std::optional<std::string>& password) {
    return openData(std::make_shared<const std::string>(std::move(bytes)), password);
}

OpenResult Document::openData(std::shared_ptr<const std::string> bytes,
                              const std::optional<std::string>& password) {
    if (!bytes) {
        bytes = std::make_shared<const std::string>();
    }
    {
        std::lock_guard lock(d_->pagesMutex);
        d_->pages.clear();
    }
    d_->poppler.reset();
    d_->geometry.clear();
    takeRead();
    d_->bytes = std::move(bytes);
    d_->password.reset();
    d_->open = d_->locked = d_->encrypted = false;

    PdfStructure structure = PdfStructure::read(*d_->bytes, password);
    switch (structure.result) {
    case OpenResult::opened:
        d_->open = true;
        d_->encrypted = structure.encrypted;
        d_->password = structure.password;
        d_->geometry = std::move(structure.pages);
        d_->poppler = std::make_unique<PopplerSource>(
            structure.popplerBytes ? structure.popplerBytes : d_->bytes, d_->password);
        keepRead(std::move(structure.pdf));
        {
            std::lock_guard lock(d_->pagesMutex);
            d_->pages.resize(d_->geometry.size());
        }
        break;
    case OpenResult::locked:
        d_->open = d_->locked = d_->encrypted = true;
        break;
    default:
        break;
    }
    return structure.result;
}

OpenResult Document::openFile(const std::string& path, const std::optional<std::string>& password) {
    WholeFile file = WholeFileReader::read(std::filesystem::path(path));
    if (!file) {
        openData(std::string(), {});
        return OpenResult::unreadable;
    }
    return openData(std::move(*file.bytes), password);
}

bool Document::isOpen() const {
    return d_->open;
}
bool Document::isLocked() const {
    return d_->locked;
}
bool Document::isEncrypted() const {
    return d_->encrypted;
}
const std::optional<std::string>& Document::password() const {
    return d_->password;
}
const std::string& Document::data() const {
    return *d_->bytes;
}

void Document::setKeepsReadForWrite(bool keeps) {
    std::unique_ptr<QPDF> dropped;
    std::lock_guard lock(d_->readMutex);
    d_->keepsRead = keeps;
    if (!keeps) {
        dropped = std::move(d_->read);
    }
}

bool Document::unlock(const std::string& password) {
    if (!d_->open) {
        return false;
    }
    if (!d_->locked) {
        return true;
    }
    PdfStructure structure = PdfStructure::read(*d_->bytes, password);
    if (structure.result != OpenResult::opened) {
        return false;
    }
    d_->locked = false;
    d_->password = structure.password;
    d_->geometry = std::move(structure.pages);
    d_->poppler = std::make_unique<PopplerSource>(
        structure.popplerBytes ? structure.popplerBytes : d_->bytes, d_->password);
    keepRead(std::move(structure.pdf));
    std::lock_guard lock(d_->pagesMutex);
    d_->pages.clear();
    d_->pages.resize(d_->geometry.size());
    return true;
}

int Document::pageCount() const {
    return static_cast<int>(d_->geometry.size());
}

Page* Document::page(int index) {
    if (index < 0 || index >= pageCount()) {
        return nullptr;
    }
    std::lock_guard lock(d_->pagesMutex);
    auto& slot = d_->pages[static_cast<size_t>(index)];
    if (!slot) {
        slot = d_->factory ? d_->factory(*this, index) : nullptr;
        if (!slot) {
            slot = std::make_unique<Page>(*this, index);
        }
    }
    return slot.get();
}

void Document::setPageFactory(PageFactory factory) {
    std::lock_guard lock(d_->pagesMutex);
    d_->factory = std::move(factory);
    std::vector<std::unique_ptr<Page>> fresh(d_->pages.size());
    d_->pages.swap(fresh);
}

gfx::Rect Document::pageBounds(int index, Box box) const {
    if (index < 0 || index >= pageCount()) {
        return {};
    }
    return d_->geometry[static_cast<size_t>(index)].box(box);
}

int Document::pageRotation(int index) const {
    if (index < 0 || index >= pageCount()) {
        return 0;
    }
    return d_->geometry[static_cast<size_t>(index)].rotation;
}

void Document::drawPageContent(int index, gfx::Context& ctx, bool withAnnotations) const {
    if (index < 0 || index >= pageCount() || !d_->poppler) {
        return;
    }
    const PageGeometry& g = d_->geometry[static_cast<size_t>(index)];
    cairo_t* cr = ctx.cairo();
    double alpha = ctx.alpha();
    cairo_save(cr);
    if (alpha < 1) {
        cairo_push_group(cr);
    }
    d_->poppler->drawInUserSpace(cr, index, g.crop, g.rotation, withAnnotations);
    if (alpha < 1) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, alpha);
    }
    cairo_restore(cr);
}

bool Document::write(const std::string& path, const WriteOptions& options,
                     const WriteProgress& progress, const std::atomic<bool>* stop) {
    if (!d_->open || d_->locked) {
        if (progress) {
            progress(WriteStage::begin, -1);
            progress(WriteStage::end, -1);
        }
        return false;
    }
    LayeredWriter writer(*this, *d_->bytes, d_->password, takeRead());
    return writer.write(path, options, progress, stop);
}

std::unique_ptr<QPDF> Document::takeRead() {
    std::lock_guard lock(d_->readMutex);
    return std::move(d_->read);
}

void Document::keepRead(std::unique_ptr<QPDF> pdf) {
    std::lock_guard lock(d_->readMutex);
    if (d_->keepsRead) {
        d_->read = std::move(pdf);
    }
}

} // namespace fen::pdf

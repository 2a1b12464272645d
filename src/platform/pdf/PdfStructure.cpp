#include "platform/pdf/PdfStructure.h"

#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <cmath>
#include <limits>
#include <set>

namespace fen::pdf {

namespace {

std::optional<gfx::Rect> rectOf(QPDFObjectHandle h) {
    if (!h.isRectangle()) {
        return std::nullopt;
    }
    auto r = h.getArrayAsRectangle();
    double vals[] = {r.llx, r.lly, r.urx, r.ury};
    for (double v : vals) {
        if (!std::isfinite(v)) {
            return std::nullopt;
        }
    }
    double x0 = std::min(r.llx, r.urx), x1 = std::max(r.llx, r.urx);
    double y0 = std::min(r.lly, r.ury), y1 = std::max(r.lly, r.ury);
    if (x1 <= x0 || y1 <= y0) {
        return std::nullopt;
    }
    return gfx::Rect{x0, y0, x1 - x0, y1 - y0};
}

// The box's intersection with the media box, or `fallback` when the box is missing, malformed or
// lies outside the media box.
gfx::Rect boxWithin(QPDFObjectHandle h, const gfx::Rect& media, const gfx::Rect& fallback) {
    auto r = rectOf(h);
    if (!r) {
        return fallback;
    }
    double x0 = std::max(r->minX(), media.minX()), x1 = std::min(r->maxX(), media.maxX());
    double y0 = std::max(r->minY(), media.minY()), y1 = std::min(r->maxY(), media.maxY());
    if (x1 <= x0 || y1 <= y0) {
        return fallback;
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

// The turn poppler gives the page, which draws the preview and every viewer of ours: the /Rotate
// of the page or of its nearest ancestor that holds one as a 32-bit integer (a real such as 90.4
// or 90.0, a larger integer or any other object counts as no /Rotate there), taken modulo 360;
// a turn that is not a multiple of 90 leaves the page upright.
int rotationOf(QPDFObjectHandle page) {
    std::set<QPDFObjGen> seen;
    for (QPDFObjectHandle node = page; node.isDictionary(); node = node.getKey("/Parent")) {
        if (node.isIndirect() && !seen.insert(node.getObjGen()).second) {
            break;
        }
        QPDFObjectHandle rotate = node.getKey("/Rotate");
        if (!rotate.isInteger()) {
            continue;
        }
        const long long value = rotate.getIntValue();
        if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
            continue;
        }
        const long long turn = ((value % 360) + 360) % 360;
        return turn % 90 == 0 ? static_cast<int>(turn) : 0;
    }
    return 0;
}

// True unless some field of the form is reached twice through /Fields and /Kids.
bool formFieldsAreATree(QPDF& pdf) {
    QPDFObjectHandle form = pdf.getRoot().getKey("/AcroForm");
    QPDFObjectHandle fields = form.isDictionary() ? form.getKey("/Fields") : form;
    if (!fields.isArray()) {
        return true;
    }
    std::vector<QPDFObjectHandle> todo = fields.getArrayAsVector();
    std::set<QPDFObjGen> seen;
    while (!todo.empty()) {
        QPDFObjectHandle field = todo.back();
        todo.pop_back();
        if (field.isIndirect() && !seen.insert(field.getObjGen()).second) {
            return false;
        }
        QPDFObjectHandle kids = field.isDictionary() ? field.getKey("/Kids") : field;
        if (kids.isArray()) {
            for (auto& kid : kids.aitems()) {
                todo.push_back(kid);
            }
        }
    }
    return true;
}

// The document without its form, unencrypted; empty (nothing poppler opens) when qpdf cannot
// write it.
std::shared_ptr<const std::string> withoutForm(QPDF& pdf) {
    try {
        pdf.getRoot().removeKey("/AcroForm");
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.setPreserveEncryption(false);
        writer.write();
        auto buffer = writer.getBufferSharedPointer();
        return std::make_shared<const std::string>(
            reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
    } catch (const std::exception&) {
        return std::make_shared<const std::string>();
    }
}

// The highest revision of the standard security handler whose passwords are PDFDocEncoding.
constexpr int lastPdfDocEncodingRevision = 4;

// `password` in PDFDocEncoding when that holds every character of it and differs from it; none
// otherwise (ASCII, invalid UTF-8, a character the encoding lacks). qpdf converts U+FFFD, its
// stand-in for the codes PDFDocEncoding leaves undefined, to one of them: no character either.
std::optional<std::string> inPdfDocEncoding(const std::string& password) {
    std::string encoded;
    if (password.find("\xEF\xBF\xBD") != std::string::npos ||
        !QUtil::utf8_to_pdf_doc(password, encoded) || encoded == password) {
        return std::nullopt;
    }
    return encoded;
}

// One reading of the bytes with `password` exactly; `revision` is the security handler's revision
// of bytes that opened encrypted, 0 otherwise.
PdfStructure readWith(const std::string& bytes, const std::optional<std::string>& password,
                      int& revision) {
    PdfStructure s;
    revision = 0;
    // No header check of our own: qpdf reconstructs files whose header is damaged or missing, and
    // turns down bytes that hold no PDF objects at all.
    try {
        auto pdf = std::make_unique<QPDF>();
        PdfStructure::open(*pdf, bytes, password);
        int permissions = 0;
        s.encrypted = pdf->isEncrypted(revision, permissions);
        for (auto& page : QPDFPageDocumentHelper(*pdf).getAllPages()) {
            s.pages.push_back(PageGeometry::of(page));
        }
        if (formFieldsAreATree(*pdf)) {
            s.pdf = std::move(pdf);
        } else {
            s.popplerBytes = withoutForm(*pdf);
        }
        s.password = password;
        s.result = OpenResult::opened;
    } catch (const QPDFExc& e) {
        s.pages.clear();
        s.result = e.getErrorCode() == qpdf_e_password ? OpenResult::locked : OpenResult::invalid;
    } catch (const std::exception&) {
        s.pages.clear();
        s.result = OpenResult::invalid;
    }
    return s;
}

} // namespace

const gfx::Rect& PageGeometry::box(Box b) const {
    switch (b) {
    case Box::media:
        return media;
    case Box::bleed:
        return bleed;
    case Box::trim:
        return trim;
    case Box::art:
        return art;
    case Box::crop:
    default:
        return crop;
    }
}

PageGeometry PageGeometry::of(QPDFPageObjectHelper& page) {
    PageGeometry g;
    // A page without a usable media box is taken as US Letter, as viewers do.
    g.media = rectOf(page.getAttribute("/MediaBox", false)).value_or(gfx::Rect{0, 0, 612, 792});
    g.crop = boxWithin(page.getAttribute("/CropBox", false), g.media, g.media);
    QPDFObjectHandle dict = page.getObjectHandle();
    g.bleed = boxWithin(dict.getKey("/BleedBox"), g.media, g.crop);
    g.trim = boxWithin(dict.getKey("/TrimBox"), g.media, g.crop);
    g.art = boxWithin(dict.getKey("/ArtBox"), g.media, g.crop);
    g.rotation = rotationOf(dict);
    return g;
}

void PdfStructure::open(QPDF& pdf, const std::string& bytes,
                        const std::optional<std::string>& password, const char* description) {
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile(description, bytes.data(), bytes.size(),
                          password ? password->c_str() : nullptr);
}

std::unique_ptr<QPDF> PdfStructure::openForChanges(const std::string& bytes,
                                                   const std::optional<std::string>& password,
                                                   const char* description) {
    auto pdf = std::make_unique<QPDF>();
    open(*pdf, bytes, password, description);
    return readyForChanges(std::move(pdf), description);
}

std::unique_ptr<QPDF> PdfStructure::readyForChanges(std::unique_ptr<QPDF> pdf,
                                                    const char* description) {
    // The page list first, as every reader here takes it: counting the objects resolves them
    // all, and in that order the repair of a damaged file can find another document.
    (void)pdf->getAllPages();
    // Room for the objects a write adds: a few per page.
    constexpr size_t highestNumberKept = std::numeric_limits<int>::max() / 2;
    if (pdf->getObjectCount() <= highestNumberKept) {
        return pdf;
    }
    QPDFWriter writer(*pdf);
    writer.setOutputMemory();
    writer.setPreserveEncryption(false);
    writer.write();
    auto renumbered = std::make_unique<QPDF>();
    renumbered->setSuppressWarnings(true);
    // The input source owns the written bytes.
    renumbered->processInputSource(
        std::make_shared<BufferInputSource>(description, writer.getBuffer(), true));
    return renumbered;
}

PdfStructure::PdfStructure() = default;
PdfStructure::~PdfStructure() = default;
PdfStructure::PdfStructure(PdfStructure&&) noexcept = default;
PdfStructure& PdfStructure::operator=(PdfStructure&&) noexcept = default;

PdfStructure PdfStructure::read(const std::string& bytes,
                                const std::optional<std::string>& password) {
    int revision = 0;
    PdfStructure s = readWith(bytes, password, revision);
    if (s.result != OpenResult::locked || !password) {
        return s;
    }
    if (std::optional<std::string> older = inPdfDocEncoding(*password)) {
        PdfStructure again = readWith(bytes, older, revision);
        if (again.result == OpenResult::opened && revision <= lastPdfDocEncodingRevision) {
            return again;
        }
    }
    return s;
}

} // namespace fen::pdf

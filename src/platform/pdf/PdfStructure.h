#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/pdf/Box.h"
#include "platform/pdf/Document.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPDF;
class QPDFPageObjectHelper;

namespace fen::pdf {

// A page's boxes (fallbacks applied, each within the media box) and its normalised rotation.
struct PageGeometry {
    gfx::Rect media, crop, bleed, trim, art;
    int rotation = 0;

    const gfx::Rect& box(Box b) const;
    static PageGeometry of(QPDFPageObjectHelper& page);
};

// What qpdf reads from PDF bytes on opening: whether they open, need a password or are not a PDF,
// whether they are encrypted, the password in the form that opened them, and every page's
// geometry.
class PdfStructure {
public:
    PdfStructure();
    ~PdfStructure();
    PdfStructure(PdfStructure&&) noexcept;
    PdfStructure& operator=(PdfStructure&&) noexcept;

    OpenResult result = OpenResult::invalid;
    bool encrypted = false;
    // The password given to read(), as it opened the bytes: as given or in PDFDocEncoding (see
    // read()); none when none was given or the bytes did not open. The readers that open the
    // bytes again (poppler, a write) are given this form.
    std::optional<std::string> password;
    std::vector<PageGeometry> pages;
    // The bytes poppler is to draw from when they must differ from the input; null when poppler
    // gets the input itself. poppler walks a form's field tree without noticing fields it reaches
    // more than once, so a tree whose fields share kids (2^n paths through n fields) keeps it
    // busy for ever: such a form is left out of poppler's copy (unencrypted), and the widgets'
    // appearances on the pages still show.
    std::shared_ptr<const std::string> popplerBytes;
    // The qpdf document read from the bytes, its page list read and nothing in it changed, so
    // that a write can start from it instead of parsing the bytes again; null when the bytes did
    // not open, or when reading them changed it (the form left out for poppler). It reads from
    // the bytes given to read(), which must outlive it.
    std::unique_ptr<QPDF> pdf;

    // Reads `bytes` with `password` as given (a typed one is UTF-8) and, when that does not open
    // them, with the password in PDFDocEncoding: the older schemes (revisions 2 to 4) compare a
    // password as bytes of PDF's own 8-bit encoding, and qpdf and other tools write it so, while
    // revisions 5 and 6 take UTF-8. A password with a character PDFDocEncoding lacks is tried only
    // as given.
    static PdfStructure read(const std::string& bytes, const std::optional<std::string>& password);
    // Opens `bytes` into `pdf` (warnings silenced). Throws what qpdf throws.
    static void open(QPDF& pdf, const std::string& bytes,
                     const std::optional<std::string>& password,
                     const char* description = "document");
    // Opens `bytes` as open() does, into a QPDF that can take new objects. qpdf numbers a new
    // object one past the highest number in use and refuses to past the highest it allows, which
    // a damaged file can reach (a stray object numbered 2147483647 that the repair of its
    // cross-reference table finds): such a file is read as qpdf writes it, unencrypted, its
    // objects numbered from 1. Throws what qpdf throws.
    static std::unique_ptr<QPDF> openForChanges(const std::string& bytes,
                                                const std::optional<std::string>& password,
                                                const char* description);
    // `pdf`, opened by open() and its page list read, made ready as openForChanges() makes the
    // documents it opens: itself, or its renumbered copy. Throws what qpdf throws.
    static std::unique_ptr<QPDF> readyForChanges(std::unique_ptr<QPDF> pdf,
                                                 const char* description);
};

} // namespace fen::pdf

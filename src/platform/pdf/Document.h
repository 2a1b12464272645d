#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/pdf/Box.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

class QPDF;

namespace fen::gfx {
class Context;
}

namespace fen::pdf {

class Page;
class PictureMemoryGauge;

// What opening bytes or a file gave: a document ready to use, one that needs a password
// (`unlock` opens it), bytes that are not a PDF or are damaged beyond repair, or a file that could
// not be read.
enum class OpenResult { opened, locked, invalid, unreadable };

// The longest password a written file takes, in bytes of UTF-8. AES-256 compares the first 127
// bytes of what is typed, yet qpdf derives the key of a file it writes from every byte it is
// given (so a longer password would write a file no password opens), and poppler fails on a
// typed password longer than this. A write with a longer password fails and writes nothing.
inline constexpr std::size_t maximumPasswordBytes = 127;

// Options of a write. With a password the file is encrypted with AES-256 (revision 6), the same
// string as user and owner password; an empty string still encrypts. Without one the file keeps
// the input's encryption only when the input opens without a password (an owner password alone
// guards the author's restrictions) or when `keepEncryption` asks for it; otherwise it is written
// unencrypted.
struct WriteOptions {
    std::optional<std::string> password;
    // Without a password: the input's encryption is kept as it is, whichever password opened it
    // (the same algorithm, user and owner passwords and permissions), as a file written over the
    // input must be.
    bool keepEncryption = false;
    // Where a write that failed on the file system puts the system's reason (a full disk, a file
    // too large); left as it is for a failure of any other kind.
    std::error_code* systemError = nullptr;
    // Counts the compressed flattened pages the write holds in memory (RasterSpill.h).
    PictureMemoryGauge* pictureMemory = nullptr;
};

// The moments a write reports, on the writing thread: once at the start, after each page is drawn
// (with its 0-based index), after each page is merged into the output (its index again), as the
// file is written (the share written so far, in percent, in place of an index), and once at the
// end, whether the write succeeded or not.
enum class WriteStage { begin, pageEnd, pageMerged, fileWritten, end };
using WriteProgress = std::function<void(WriteStage stage, int pageIndex)>;

class Document;

// Makes the page object for a page index; a subclass of Page draws every page its own way.
using PageFactory = std::function<std::unique_ptr<Page>(Document& document, int index)>;

// A PDF document: structure, boxes, rotation, encryption and writing through qpdf, page content
// drawn through poppler. The document keeps the bytes it was opened from; each write starts again
// from them, so writing never changes the document. Page objects are made on first use by the
// page factory and live as long as the document.
class Document {
public:
    Document();
    virtual ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Opens bytes, or a whole file, replacing whatever the document held. A file that needs a
    // password and is given none (or a wrong one) opens locked.
    OpenResult openData(std::string bytes, const std::optional<std::string>& password = {});
    // The same on bytes that others hold too: the document keeps this buffer, no copy of it.
    OpenResult openData(std::shared_ptr<const std::string> bytes,
                        const std::optional<std::string>& password = {});
    OpenResult openFile(const std::string& path, const std::optional<std::string>& password = {});

    // Opened or locked.
    bool isOpen() const;
    bool isLocked() const;
    // True when the bytes carry encryption, even if no password was needed to open them.
    bool isEncrypted() const;
    // Opens a locked document with `password`; false (still locked) when it is wrong. True when
    // the document is already unlocked. Here and on opening, a password that does not open a file
    // of the older schemes (revisions 2 to 4) as given is tried in PDFDocEncoding too, the
    // encoding those take (PdfStructure::read).
    bool unlock(const std::string& password);
    // The password the document was opened or unlocked with, if any, in the form that opened it:
    // it opens the bytes as it is, and poppler and every write are given it.
    const std::optional<std::string>& password() const;
    // The bytes the document was opened from.
    const std::string& data() const;
    // Whether the document keeps the qpdf document read on opening (or unlocking) for its first
    // write to merge into, rather than parse the bytes again; on by default. That document holds
    // every page's objects: one that is only drawn (a window's, the source flattened pages are
    // drawn from) turns it off, which lets go of what is kept. A write still works, reading the
    // bytes anew.
    void setKeepsReadForWrite(bool keeps);

    // Page count; 0 while locked or not open.
    int pageCount() const;
    // The page object at a 0-based index, made by the page factory on first use; null when out of
    // range. The pointer stays valid as long as the document and its factory.
    Page* page(int index);
    // Sets the factory for pages; pages made before are dropped. Set it before asking for pages.
    void setPageFactory(PageFactory factory);

    // A page's box in its unrotated user space, with the fallbacks of Box; empty when out of range.
    gfx::Rect pageBounds(int index, Box box) const;
    // The page's inherited /Rotate normalised to 0, 90, 180 or 270.
    int pageRotation(int index) const;
    // Draws the page content in the page's own user space (no rotation, no shift), clipped to the
    // crop box, with the context's alpha applied to the page as a whole. Annotations are drawn only
    // when asked for (display); the page drawing of the watermark passes has none.
    void drawPageContent(int index, gfx::Context& ctx, bool withAnnotations = false) const;

    // Writes the document to `path`: every page is drawn by its page object on a recording
    // context, and what it draws before and after the base draw is laid under and over the
    // untouched original content. A page that never calls the base draw is replaced by what it
    // drew, keeping only its link annotations. `stop` is checked between pages, while they are
    // drawn and merged, and as the file is written. Returns false on any failure or stop, and
    // then leaves no file at `path` (an existing file there stays as it was): the file is
    // written beside it and renamed into place.
    bool write(const std::string& path, const WriteOptions& options = {},
               const WriteProgress& progress = {}, const std::atomic<bool>* stop = nullptr);

private:
    // The qpdf document read on opening, if no write took it yet; null after.
    std::unique_ptr<QPDF> takeRead();
    void keepRead(std::unique_ptr<QPDF> pdf);

    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace fen::pdf

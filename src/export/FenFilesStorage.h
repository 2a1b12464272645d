#pragma once

#include "platform/foundation/Url.h"
#include "platform/graphics/Image.h"

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

namespace fen {

namespace pdf {
class Document;
}

// The names of the write notifications a document write posts on the default notification
// centre, on the writing thread, with the document (a pdf::Document*) as object: once at the
// start, after each page with the 0-based page index (an int) under pdfDocumentPageIndexKey in
// the user info, and once at the end, whether the write succeeded or not. The saver's progress
// display follows them and recognises its own window by the document's processorID.
inline const std::string pdfDocumentDidBeginWriteNotification =
    "PDFDocumentDidBeginWriteNotification";
inline const std::string pdfDocumentDidEndPageWriteNotification =
    "PDFDocumentDidEndPageWriteNotification";
inline const std::string pdfDocumentDidEndWriteNotification = "PDFDocumentDidEndWriteNotification";
inline const std::string pdfDocumentPageIndexKey = "PDFDocumentPageIndex";

// Writes every file the system makes for its own use or for the user (the working copy of an
// opened document, exported PDF files, pictures from drops, pickers and the image store, QR-code
// pictures) into a folder of its own: the temporary directory, a fresh upper-case UUID folder
// that only its owner may enter (mode 0700, as mkdtemp makes them), then the file name. Each call
// makes a new folder, so two files never collide; nothing removes the folders of files written,
// but a writer that fails removes the folder it made, so a failure leaves nothing behind.
// Failures give no URL and, except for the QR-code writer and a document writer whose caller
// takes the failure, one logged line (the command line writes it to standard error). Callable
// from any thread.
class FenFilesStorage {
public:
    // Why a document write gave no file, for a caller that tells the user itself.
    struct WriteFailure {
        // The temporary folder could not be made; otherwise the write itself failed or stopped.
        bool noFolder = false;
        // The system's reason, when one is known.
        std::error_code error;
    };

    // `data` as it is, in "image.pdf" when `isPDF`, else in "image" (no extension). Without data
    // the folder is made, no file is written and the file's URL is still returned.
    static std::optional<Url> writeImageData(const std::optional<std::string>& data, bool isPDF);
    // `data` as it is, in `fileName` (one file name: a name that is empty, "." or "..", or holds
    // "/" or a NUL character, is refused). Without data as writeImageData.
    static std::optional<Url> writeData(const std::optional<std::string>& data,
                                        const std::string& fileName);
    // The picture as PNG with its alpha, in "qrcode.png"; none, silently, for the null picture or
    // when the PNG cannot be written.
    static std::optional<Url> writeQRCodePNG(const gfx::Image& picture);
    // Writes `document` with its pages' watermarks into `fileName` (the caller adds ".pdf"),
    // encrypted with `password` as user and owner password when one is given (an empty one
    // too), and posts the write notifications. None when there is no document, the name is
    // refused, or the write fails or is stopped through `stop` (checked between pages; without
    // one, through interruption()). With `failure`, the reason a write gave no file goes there
    // instead of standard error.
    static std::optional<Url> writeDocumentToTemporaryFile(
        pdf::Document* document, const std::optional<std::string>& password,
        const std::string& fileName, const std::atomic<bool>* stop = nullptr,
        WriteFailure* failure = nullptr);

    // Set, from a signal handler too, when the program is to end: every document write that has
    // no stop of its own ends between pages and leaves nothing.
    static std::atomic<bool>& interruption();

    // The temporary directory: TMPDIR, TMP, TEMP or TEMPDIR, the first that is set and not empty
    // (an empty one counts as unset, as mktemp and GLib have it), else /tmp; none, with the
    // reason in `error`, when that is not a folder.
    static std::optional<std::filesystem::path> temporaryDirectory(std::error_code& error);
    // A new folder named by a fresh UUID under the temporary directory, with mode 0700; none,
    // with the reason in `error`, when it cannot be made.
    static std::optional<std::filesystem::path> makeTemporaryFolder(std::error_code& error);
    // True for a name that is one plain path component.
    static bool isValidFileName(const std::string& fileName);
};

} // namespace fen

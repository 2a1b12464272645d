#pragma once

#include "platform/foundation/Url.h"
#include "platform/graphics/Image.h"

#include <atomic>
#include <filesystem>
#include <memory>
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

// A folder of the temporary directory that this program made for its own use (a window's working
// copy, a picture taken from a drop, a picker, the store or a QR code). Whoever still needs the
// folder holds one of these: a window for its working copy and pictures, an export for the working
// copy it reads. When the last holder lets go, the folder goes with everything in it.
class TemporaryFolder {
public:
    explicit TemporaryFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return folder_; }

private:
    std::filesystem::path folder_;
};

// Writes every file the system makes for its own use or for the user (the working copy of an
// opened document, exported PDF files, pictures from drops, pickers and the image store, QR-code
// pictures) into a folder of its own: the temporary directory (while a ProcessFolderScope lives,
// the process's own folder there), a fresh upper-case UUID folder that only its owner may enter
// (mode 0700, as mkdtemp makes them), then the file name. Each call
// makes a new folder, so two files never collide; a writer that fails removes the folder it made,
// so a failure leaves nothing behind.
//
// The folders of files for the program's own use (writeData, writeImageData, writeQRCodePNG) are
// remembered: each goes when the last holder of its TemporaryFolder (keep) lets go, and every one
// still there goes when the program ends (at exit). Files handed to the user (the documents of
// writeDocumentToTemporaryFile: exports, the command line's outputs) are removed only when their
// folder is adopted (a window's renders); the command line's outputs stay.
//
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
        // The temporary folder that could not be used: with noFolder, the one no folder could be
        // made in (the temporary directory itself, or the program's folder in it); otherwise the
        // temporary directory, when the write failed for want of room there (a full disk, a quota
        // used up). Empty for any other failure.
        std::filesystem::path folder;
    };

    // While one lives, the folders this process makes go into a folder of its own in the
    // per-user folder of the temporary directory (see processfolders; directly in the temporary
    // directory when another user made the per-user folder first), and the folders that runs
    // which ended without cleaning up left there are removed when the first one starts. Its end
    // (or the end of the program) removes the process's folder with everything in it. The window
    // holds one for its whole run; the command line holds none, so the outputs it prints as its
    // results stay where they are, and no sweep ever looks at them.
    class ProcessFolderScope {
    public:
        ProcessFolderScope();
        ~ProcessFolderScope();
        ProcessFolderScope(const ProcessFolderScope&) = delete;
        ProcessFolderScope& operator=(const ProcessFolderScope&) = delete;
    };

    // `data` as it is, in "image.pdf" when `isPDF`, else in "image" (no extension). Without data
    // the folder is made, no file is written and the file's URL is still returned.
    static std::optional<Url> writeImageData(const std::optional<std::string>& data, bool isPDF);
    static std::optional<Url> writeImageData(const std::string& data, bool isPDF);
    // The same, telling a caller that shows the user why in `failure` when no file is written.
    static std::optional<Url> writeImageData(const std::string& data, bool isPDF,
                                             WriteFailure& failure);
    // `data` as it is, in `fileName` (one file name: a name that is empty, "." or "..", or holds
    // "/" or a NUL character, is refused). Without data as writeImageData.
    static std::optional<Url> writeData(const std::optional<std::string>& data,
                                        const std::string& fileName);
    // The same without copying the bytes into an optional (a working copy can be hundreds of
    // megabytes).
    static std::optional<Url> writeData(const std::string& data, const std::string& fileName);
    // The picture as PNG with its alpha, in "qrcode.png"; none, silently, for the null picture or
    // when the PNG cannot be written.
    static std::optional<Url> writeQRCodePNG(const gfx::Image& picture);
    // Writes `document` with its pages' watermarks into `fileName` (the caller adds ".pdf"),
    // encrypted with `password` as user and owner password when one is given (an empty one
    // too), and posts the write notifications. Without a password, `keepEncryption` keeps the
    // source's encryption as it is (a file meant to replace its source). None when there is no
    // document, the name is refused, or the write fails or is stopped through `stop` (checked
    // between pages; without one, through interruption()). With `failure`, the reason a write
    // gave no file goes there instead of standard error.
    static std::optional<Url> writeDocumentToTemporaryFile(
        pdf::Document* document, const std::optional<std::string>& password,
        const std::string& fileName, const std::atomic<bool>* stop = nullptr,
        WriteFailure* failure = nullptr, bool keepEncryption = false);

    // Set, from a signal handler too, when the program is to end: every document write that has
    // no stop of its own ends between pages and leaves nothing.
    static std::atomic<bool>& interruption();

    // The temporary directory as set: TMPDIR, TMP, TEMP or TEMPDIR, the first that is set and
    // not empty (an empty one counts as unset, as mktemp and GLib have it), else /tmp.
    static std::filesystem::path temporaryDirectoryPath();
    // The same; none, with the reason in `error`, when that is not a folder.
    static std::optional<std::filesystem::path> temporaryDirectory(std::error_code& error);
    // A new folder named by a fresh UUID under the temporary directory (in the process's own
    // folder while a ProcessFolderScope lives), with mode 0700; none, with the reason in `error`
    // and the folder that could not be used in `unusable`, when it cannot be made.
    static std::optional<std::filesystem::path>
    makeTemporaryFolder(std::error_code& error, std::filesystem::path* unusable = nullptr);
    // True for a name that is one plain path component.
    static bool isValidFileName(const std::string& fileName);

    // Holds the folder of `file` when that folder is one of the program's own that writeData,
    // writeImageData or writeQRCodePNG made in this process and that is still there; every call
    // for the same folder shares one holder. None for any other file (an export, the user's own
    // file, a folder already removed), which nothing here ever removes.
    static std::shared_ptr<TemporaryFolder> keep(const Url& file);
    // Takes the folder of a document that writeDocumentToTemporaryFile wrote in this process as
    // one of the program's own (a window's render, which it removes once delivered) and holds it
    // as keep does; the end of the program removes it too. Otherwise the same as keep: a folder
    // already taken is shared, and any other file gives none.
    static std::shared_ptr<TemporaryFolder> adopt(const Url& file);
    // Removes every folder of the program's own that is still there, held or not (the end of the
    // program does this by itself).
    static void removeOwnFolders();
};

} // namespace fen

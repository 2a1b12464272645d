#pragma once

#include "export/FenFilesStorage.h"
#include "platform/foundation/Url.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen {

class FenObjectHolder;
class FenWatermarkModel;
class NotificationDocumentCenter;
class SaverStopper;
struct Notification;

// The base name under which an export tells its window, through the window's channel, the name
// of the file it is about to write (the object is that name, a std::string, without ".pdf").
inline const std::string processingForSaveNotification = "ProcessingForSaveNotification";

// Turns the bytes of a document and its watermark model into finished PDF files, each in a fresh
// temporary folder: one file per text of a list, each showing its text as the text watermark, or
// one file without a list. The window's saver runs it for Export and Share; the preset actions of
// the command line run it without progress, password or secure saving.
//
// The costly watermark objects (image, stamp, page number) are prepared once per export and shared
// by every file. Files are written strictly one after another, since the pages take the text to
// draw from the model's selected text while they are written. The model is shared with the
// window's editor, so the selected text is changed, and the model's change signal sent, on the
// main queue (MainQueue::invokeAndWait); after the last text the text selected before the export
// is put back and announced once. An export without a list leaves the selected text alone.
//
// A run is synchronous and meant for a worker thread: the write notifications of each file
// (pdfDocumentDidBeginWriteNotification and the others of FenFilesStorage) are posted on the
// calling thread with the written document as object, whose processorID is the channel's
// identifier, so a window recognises its own export (writingDocumentIdentifier).
class FenExportRenderer {
public:
    // What to export, in the order the saver hands it over.
    struct Request {
        // The watermarks to draw; held for the whole run.
        std::shared_ptr<FenWatermarkModel> model;
        // The whole PDF file to watermark (the window's working copy, an input file). Every
        // document of the run reads this one buffer, none a copy of it; none is no document.
        std::shared_ptr<const std::string> data;
        // One output per text, in this order; none gives one output.
        std::vector<std::string> textItems;
        // The name the outputs are named after: the opened file's name, whose trailing ".pdf" (in
        // any letter case) is dropped, so "Report.pdf" with the text "Draft" gives
        // "Report_Draft.pdf".
        std::string fileName;
        // Checked before each file and between pages; with a channel it also turns on the
        // "ProcessingForSaveNotification" messages.
        std::shared_ptr<SaverStopper> stopper;
        // Flatten every page into a bitmap.
        bool isSecureSaving = false;
        // Encrypts every output with this password (an empty one too).
        std::optional<std::string> password;
        // Without a password, the outputs keep the source's encryption as it is: the output is to
        // replace the source file.
        bool keepsSourceEncryption = false;
        // The window's channel: its identifier marks the written documents, and the progress
        // names are posted through it.
        std::shared_ptr<NotificationDocumentCenter> center;
        // The password that opens `data` when the source file is locked; it stays in memory only.
        std::optional<std::string> sourcePassword;
        // The holder of the window's preview: when its picture was made from the file the image
        // watermark names, the export draws that same picture rather than reading the file again
        // (it may have been moved or deleted since it was picked). Read on the main queue.
        std::shared_ptr<const FenObjectHolder> preview;
        // Puts the text before the file name in the output names ("Draft_Report.pdf"), as the
        // text-preset action may ask.
        bool textAtStart = false;
    };

    // Why an output was not written.
    enum class Failure {
        // The data is not a PDF document, or is damaged beyond repair.
        notPDF,
        // The data needs a password that was not given (or was wrong).
        locked,
        // The temporary folder could not be made, the name was refused, or the write failed.
        notWritten,
        // The stopper was set while the file was written.
        stopped,
        // The document to watermark could not be read (the window's working copy is gone).
        unreadable,
        // The window's working copy was removed and could not be made again, since the opened
        // file is no longer the one it was made from (changed, replaced or gone).
        copyRemoved,
    };

    // One output of a run: the file name tried (with ".pdf") and where it was written, or why it
    // was not. A written output is a regular file at `location`; a failed one left nothing.
    struct Output {
        std::string fileName;
        std::optional<Url> location;
        Failure failure = Failure::notWritten;
        // With Failure::notWritten: whether the folder or the write failed, and why; with
        // Failure::unreadable, why the document could not be read.
        FenFilesStorage::WriteFailure writeFailure;
        // With Failure::copyRemoved: the working copy that was removed.
        std::filesystem::path removedCopy;
    };

    FenExportRenderer() = delete;

    // Runs the export. The outputs are in the order of the texts, under the names distinctFileNames
    // gives (so none is written over another where they are copied together, and none is too long
    // for the file system); a failed write is reported and the run goes on with the next text. Data
    // that is not an unlocked PDF document gives one failed output and ends the run, since every
    // text would fail alike. A stop ends the run after the files already written: the file being
    // written is removed and reported as stopped.
    static std::vector<Output> render(const Request& request);

    // The one output of an export whose document could not be read (`readError`; the window's
    // working copy gone, or never made), named after `fileName`. The working copy lives in the
    // temporary directory, so when no temporary folder can be made now, that is the reason given,
    // with the folder, as Failure::notWritten; otherwise Failure::unreadable with `readError`.
    static Output unreadableOutput(const std::string& fileName, std::error_code readError);

    // The run with the saver's arguments; the written files, in the order of the texts.
    static std::vector<Url>
    renderWatermarkedPDF(std::shared_ptr<FenWatermarkModel> model, std::string data,
                         std::vector<std::string> textItems, std::string fileName,
                         std::shared_ptr<SaverStopper> stopper, bool isSecureSaving,
                         std::optional<std::string> password,
                         std::shared_ptr<NotificationDocumentCenter> center);

    // The name of one output without ".pdf": the base name (the file name without a trailing
    // ".pdf") joined to the text with "_", the text last or first, and cleaned as a file name.
    static std::string outputName(const std::string& fileName, const std::string& text,
                                  bool textAtStart = false);
    // The longest file name, in bytes, that the file systems the outputs go to take.
    static constexpr size_t maxFileNameBytes = 255;
    // The file names (with ".pdf") of outputs named `names` (without it), in order, so that no
    // two outputs of one export share a name: each name is cut to maxFileNameBytes with ".pdf"
    // (on a character boundary), and a name an earlier output already has gets " 2", " 3"…
    // before ".pdf" (the cut leaving room for it). No name starts with ".": leading dots become
    // "_", and an empty name is "_".
    static std::vector<std::string> distinctFileNames(const std::vector<std::string>& names);
    // The file name without one trailing ".pdf" in any letter case; a name that is nothing but
    // ".pdf" stays as it is.
    static std::string baseName(const std::string& fileName);

    // The processorID of the document a write notification carries: how a window tells its own
    // export's progress from another's. None when the object is not a watermarked document or
    // the document carries no identifier.
    static std::optional<std::string> writingDocumentIdentifier(const Notification& notification);
};

} // namespace fen

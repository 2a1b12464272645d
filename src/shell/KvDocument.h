#pragma once

#include "platform/foundation/OpenedFile.h"
#include "platform/foundation/Url.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace fen {

// What a document window is given of its file: the file's name, extension included. The bytes
// are not read here: the window reads them on a worker when it loads (KvDocument::read).
struct KvDocumentInfo {
    std::optional<std::string> name;
};

// What reading a document's file gave: its bytes in one buffer that is never changed, shared by
// whoever needs them (the working-copy write, the parsed document), or why there are none.
struct KvDocumentContents {
    std::shared_ptr<const std::string> data;
    // The reader's message, in lower case ("no such file or directory", "permission denied",
    // "is a directory", "not a regular file"); empty when the file was read.
    std::string failure;
};

// One opened PDF file. It remembers which scene shows it, and it writes only bytes that the saver
// placed in `dataToSave` or `fileToSave` beforehand, so the opened file is never replaced by
// anything else. Made and saved on the GUI thread; the file's bytes are read by the document
// window's worker, never on the GUI thread, where a device or a pipe named as a file would block
// or never end.
class KvDocument {
public:
    // Reads nothing; `info` holds the file's name.
    explicit KvDocument(Url fileURL);

    const Url& fileURL() const { return fileURL_; }

    // Reads the whole file at `fileURL`, from any thread. Only a regular file is read: a folder,
    // a device, a pipe or a socket is refused once opened (without waiting for a writer), before
    // a byte is read.
    static KvDocumentContents read(const Url& fileURL);

    // The persistent identifier of the scene session that shows this document; none until a
    // scene takes it.
    std::optional<std::string> sceneIdentifier;
    // Always set once the document is made.
    std::optional<KvDocumentInfo> info;
    // The bytes the next save writes; none except between the saver's request and the end of
    // that save.
    std::optional<std::string> dataToSave;
    // The file whose bytes the next save writes when there is no `dataToSave`: a watermarked copy,
    // copied a piece at a time, so the hundreds of megabytes of a flattened document are never
    // held in memory. None except between the saver's request and the end of that save.
    std::shared_ptr<const OpenedFile> fileToSave;

    // What the document's window made of the file: still reading it, opened it as a PDF (locked
    // or not), or could not (unreadable, not a PDF). Only an opened document joins the recent
    // files, and a failed one is not kept for the next start.
    enum class Opening { reading, opened, failed };
    Opening opening() const { return opening_; }
    // The window's outcome, told once its reading has ended; `onOpened` runs when it opened.
    void finishOpening(bool opened);
    std::function<void()> onOpened;

    // Writes `dataToSave` (or `fileToSave`) over the file (of the link's target when the file is a
    // symbolic link, so the link stays a link), keeping its owner, group, mode and hard links, so
    // that a failure at any point leaves the original whole. Normally a temporary file in the same
    // folder, given the original's owner, group and mode, is renamed onto it and the folder is
    // synced. When the owner or group cannot be given (another user's file in a shared group
    // folder) or the file has other hard links, a complete temporary copy is written first and then
    // copied over the original in place, which keeps the file itself. With nothing to save it
    // writes nothing and succeeds. On success `dataToSave` and `fileToSave` become none; on failure
    // they are kept and the error says why.
    std::error_code save();

private:
    Url fileURL_;
    Opening opening_ = Opening::reading;
};

} // namespace fen

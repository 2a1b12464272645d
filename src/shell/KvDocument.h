#pragma once

#include "platform/foundation/Url.h"

#include <optional>
#include <string>
#include <system_error>

namespace fen {

// What a document window is given of its file: the bytes read once when the document was made
// (none when the read failed) and the file's name, extension included.
struct KvDocumentInfo {
    std::optional<std::string> data;
    std::optional<std::string> name;
};

// One opened PDF file. It reads the whole file once, when it is made, and keeps the bytes for
// the document window, which works on its own copy. It remembers which scene shows it, and it
// writes only bytes that the saver placed in `dataToSave` beforehand, so the opened file is never
// replaced by anything else. Made, opened and saved on the GUI thread.
class KvDocument {
public:
    // Reads the file at once; a file that cannot be read still gives a document, with no data.
    explicit KvDocument(Url fileURL);

    const Url& fileURL() const { return fileURL_; }

    // The persistent identifier of the scene session that shows this document; none until a
    // scene takes it.
    std::optional<std::string> sceneIdentifier;
    // Always set once the document is made.
    std::optional<KvDocumentInfo> info;
    // The bytes the next save writes; none except between the saver's request and the end of
    // that save.
    std::optional<std::string> dataToSave;

    // Writes `dataToSave` over the file: a temporary file in the same folder (of the link's
    // target when the file is a symbolic link, so the link stays a link) with the file's mode,
    // then a rename onto it, so a failure at any point leaves the original as it was. With
    // nothing to save it writes nothing and succeeds. On success `dataToSave` becomes none; on
    // failure it keeps the bytes and the error says why.
    std::error_code save();

private:
    Url fileURL_;
};

} // namespace fen

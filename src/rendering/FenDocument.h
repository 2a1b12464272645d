#pragma once

#include "platform/foundation/Url.h"
#include "platform/pdf/Document.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

namespace fen {

class FenObjectHolder;

// A PDF document whose pages draw watermarks: every page is a FenPage, which takes what to draw
// from the holder attached here and the holder's model. One exists for each document window and
// one for each file an export or a windowless job writes; the creator prepares the holder, then
// sets it, the identifier and (on every path that writes a file) isSaving.
class FenDocument : public pdf::Document {
public:
    // An empty document whose pages, once bytes are opened, are FenPages.
    FenDocument();
    ~FenDocument() override;

    // A document of a whole file or of bytes, with an optional password. A file that needs a
    // password opens locked (unlock() opens it). None when the bytes are not a PDF, are damaged
    // beyond repair, or the file cannot be read: callers then write nothing.
    static std::unique_ptr<FenDocument> fromURL(const Url& url,
                                                const std::optional<std::string>& password = {});
    static std::unique_ptr<FenDocument> fromData(std::string bytes,
                                                 const std::optional<std::string>& password = {});
    // The same on a shared buffer, which the document keeps instead of a copy.
    static std::unique_ptr<FenDocument> fromData(std::shared_ptr<const std::string> bytes,
                                                 const std::optional<std::string>& password = {});

    // The prepared images and the model the pages draw; pages of a document without one draw
    // only their content.
    std::shared_ptr<FenObjectHolder> wmObjectHolder;
    // True while the document is drawn for writing a file. Pages draw the same either way: their
    // watermarks stand in the frame a reader sees, on screen and in the written file alike.
    std::atomic<bool> isSaving{false};
    // The document identifier (the model's processorID), by which the saver recognises the write
    // progress of its own window.
    std::optional<std::string> processorID;
};

} // namespace fen

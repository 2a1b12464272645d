#pragma once

#include "platform/pdf/Document.h"

#include <memory>
#include <optional>
#include <string>

namespace fen::pdf {

// Writes a Document with what its pages draw (Document::write). Every page is drawn once on a
// recording cairo PDF surface; the recording's pages become form XObjects that qpdf lays under
// and over the untouched original content of a fresh copy of the input:
//   <under forms> q… <original content> Q… <over forms>
// with one extra Q for every q the original leaves open (and one extra q for every Q it has too
// many), so the over forms never land under a leftover matrix. Pages that never called the base
// draw get what they drew as their only content. PDF page images are imported once per file.
class LayeredWriter {
public:
    // `read`, when given, is the document's qpdf document as PdfStructure::read left it, read
    // from `bytes` with `password`: the write merges into it instead of a fresh copy, and so
    // changes it.
    LayeredWriter(Document& document, const std::string& bytes,
                  const std::optional<std::string>& password, std::unique_ptr<QPDF> read = {});
    ~LayeredWriter();
    LayeredWriter(const LayeredWriter&) = delete;
    LayeredWriter& operator=(const LayeredWriter&) = delete;

    bool write(const std::string& path, const WriteOptions& options, const WriteProgress& progress,
               const std::atomic<bool>* stop);

    // A number as written into content streams: fixed notation, the classic locale, at most six
    // decimals, no trailing zeros; 0 for values that are not finite.
    static std::string number(double value);

private:
    // Draws, merges and writes the file beside `path`, named in `written`.
    bool run(const std::string& path, const WriteOptions& options, const WriteProgress& progress,
             const std::atomic<bool>* stop, std::string& written);

    Document& document_;
    const std::string& bytes_;
    const std::optional<std::string>& password_;
    std::unique_ptr<QPDF> read_;
};

} // namespace fen::pdf

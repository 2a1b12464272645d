#pragma once

#include "intents/PDFOutput.h"
#include "intents/PresetProblem.h"
#include "model/PageNumberSettings.h"
#include "model/StampSettings.h"
#include "model/TextSettings.h"
#include "storage/PresetStoreKind.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen {

class FenDocument;
class FenObjectHolder;
class FenWatermarkModel;

// Watermarks the bytes of one PDF file without a window and writes the result into a fresh
// temporary folder. Each operation does what a document window does, with none of its views: a
// fresh model holding one settings record, a holder with the prepared images, a FenDocument made
// from the bytes whose pages draw the watermarks; then the document is written by the
// temporary-file writer. Nothing is shown, posted or stored, and nothing but the written file
// outlives the call.
//
// The operations are called one file at a time and return when the file is written. Making the
// document runs on the main queue; everything else runs on the calling thread. An output that
// was not written carries the reason: bytes that are not a PDF document, a document locked by a
// password, a temporary folder that could not be made, or a failed write (which leaves no file
// and no empty folder).
class PDFOutputGenerator {
public:
    PDFOutputGenerator() = delete;

    // Page numbers ("#currentPage", plain decimal, black, the default family at 18 points, no
    // offsets) on every page at `position`; written as fileName + ".pdf".
    static PDFOutput watermarkFileWithPageNumber(Positions position, const std::string& bytes,
                                                 const std::string& fileName);
    // A red stamp of `stampText` at the top left, at the automatic angle, with today's date line
    // when `includeDate` is set; written as fileName + ".pdf".
    static PDFOutput watermarkFileWithStamp(const std::string& stampText, const std::string& bytes,
                                            const std::string& fileName, bool includeDate);
    // `text` across the page diagonal, black at 40 % opacity, the default family at 48 points,
    // in front of the page content; written as fileName + ".pdf".
    static PDFOutput watermarkFileWithText(const std::string& text, const std::string& bytes,
                                           const std::string& fileName);

    // The stored preset of `kind` with the identifier `presetID`. A text preset writes one file
    // per text of its list, named as an export names them (fileName + "_" + text, cleaned; one
    // file named fileName + ".pdf" when its list is empty), and nothing when no text preset has
    // the identifier. A stamp, page-number or image preset writes one file named fileName +
    // ".pdf"; when no preset of the kind has the identifier, that file is an unwatermarked copy.
    // A page-number preset numbers every page of this file, whatever range it was saved with.
    // An image preset whose stored picture is gone, is neither a picture nor a PDF file, or is a
    // picture too large to draw, also writes its file without the watermark, and tells `leftOut`
    // why (with the size the picture declares, "100000 × 100000 pixels", for one too large).
    static std::vector<PDFOutput> watermarkFileWithPreset(
        PresetStoreKind kind, const std::string& bytes, const std::string& fileName,
        const std::string& presetID,
        const std::function<void(PresetProblem, const std::string& detail)>& leftOut = {});
    // `text` drawn with the look of the stored text preset `presetID` (its own texts are not
    // used), written as fileName + "_" + text (text first when `textAtStart`), cleaned. Nothing
    // when no text preset has the identifier.
    static std::vector<PDFOutput> watermarkFileWithTextPreset(const std::string& text,
                                                              const std::string& bytes,
                                                              const std::string& fileName,
                                                              const std::string& presetID,
                                                              bool textAtStart);

    // The settings records the operations store into the model.
    static PageNumberSettings pageNumberSettings(Positions position, std::int64_t pageCount);
    static StampSettings stampSettings(const std::string& stampText, bool includeDate);
    static TextSettings textSettings();

private:
    // The document of `bytes` with its pages drawing watermarks, made on the main queue; none,
    // with the reason in `failure`, when the bytes are not a PDF document or it is locked.
    static std::unique_ptr<FenDocument> makeDocument(const std::string& bytes, PDFOutput& failure);
    // A holder for `model` with every picture prepared from the model's records, in the order
    // image, stamp, page number.
    static std::shared_ptr<FenObjectHolder>
    makeHolder(const std::shared_ptr<FenWatermarkModel>& model, bool isSecureSaving = false);
    // Attaches the holder, marks the document as saving and writes it as `name` into a fresh
    // temporary folder.
    static PDFOutput writeDocument(FenDocument& document,
                                   const std::shared_ptr<FenObjectHolder>& holder,
                                   const std::string& name,
                                   const std::optional<std::string>& password = {});
    // Writes the document of `bytes` as fileName + ".pdf" (cut to the file system's name limit,
    // FenExportRenderer::distinctFileNames) with a fresh model that `configure` fills (given the
    // opened document) and that is announced after; a document that cannot be opened is the
    // output's failure. `prepared` sees the holder's pictures before the document is written.
    static PDFOutput
    writeWithModel(const std::string& bytes, const std::string& fileName,
                   const std::function<void(FenWatermarkModel&, const FenDocument&)>& configure,
                   const std::function<void(const FenObjectHolder&)>& prepared = {});
};

} // namespace fen

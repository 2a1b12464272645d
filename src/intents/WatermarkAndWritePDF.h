#pragma once

#include "intents/PDFOutput.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen {

class FenWatermarkModel;

// Writes the bytes of one PDF file once per text of `texts`, each file showing its text with the
// model's text settings and named fileName + "_" + text (text + "_" + fileName when `textAtStart`),
// cleaned as a file name, + ".pdf", each in a fresh temporary folder; with no texts, one file named
// fileName + ".pdf". Names are cut to the file system's limit and a name an earlier file has is
// numbered (FenExportRenderer::distinctFileNames). The watermark pictures are prepared once for all
// the files. The outputs are in the order of the texts; a file that was not written carries the
// reason, and bytes that are not an unlocked PDF document give one such output in all.
std::vector<PDFOutput> watermarkAndWritePDF(const std::shared_ptr<FenWatermarkModel>& model,
                                            const std::string& bytes,
                                            const std::vector<std::string>& texts,
                                            const std::string& fileName, bool isSecureSaving,
                                            const std::optional<std::string>& password,
                                            bool textAtStart);

} // namespace fen

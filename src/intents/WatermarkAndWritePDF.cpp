#include "intents/WatermarkAndWritePDF.h"

#include "export/FenExportRenderer.h"

namespace fen {

namespace {

PDFOutput toOutput(FenExportRenderer::Output output) {
    if (output.location) {
        return PDFOutput::written(std::move(*output.location));
    }
    switch (output.failure) {
    case FenExportRenderer::Failure::notPDF:
        return PDFOutput::failed(SkipReason::damaged);
    case FenExportRenderer::Failure::locked:
        return PDFOutput::failed(SkipReason::locked);
    case FenExportRenderer::Failure::notWritten:
        return PDFOutput::writeFailed(output.writeFailure, output.fileName);
    case FenExportRenderer::Failure::stopped:
    case FenExportRenderer::Failure::unreadable:
    case FenExportRenderer::Failure::copyRemoved:
        break;
    }
    return PDFOutput::failed(SkipReason::notWritten, output.fileName);
}

} // namespace

std::vector<PDFOutput> watermarkAndWritePDF(const std::shared_ptr<FenWatermarkModel>& model,
                                            const std::string& bytes,
                                            const std::vector<std::string>& texts,
                                            const std::string& fileName, bool isSecureSaving,
                                            const std::optional<std::string>& password,
                                            bool textAtStart) {
    FenExportRenderer::Request request;
    request.model = model;
    request.data = std::make_shared<const std::string>(bytes);
    request.textItems = texts;
    request.fileName = fileName;
    request.isSecureSaving = isSecureSaving;
    request.password = password;
    request.textAtStart = textAtStart;
    std::vector<PDFOutput> outputs;
    for (auto& output : FenExportRenderer::render(request)) {
        outputs.push_back(toOutput(std::move(output)));
    }
    return outputs;
}

} // namespace fen

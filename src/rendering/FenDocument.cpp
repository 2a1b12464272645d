#include "rendering/FenDocument.h"

#include "rendering/FenObjectHolder.h"
#include "rendering/FenPage.h"

namespace fen {

FenDocument::FenDocument() {
    setPageFactory([](pdf::Document& document, int index) -> std::unique_ptr<pdf::Page> {
        return std::make_unique<FenPage>(document, index);
    });
}

FenDocument::~FenDocument() = default;

std::unique_ptr<FenDocument> FenDocument::fromURL(const Url& url,
                                                  const std::optional<std::string>& password) {
    if (!url.isFileURL()) {
        return nullptr;
    }
    auto document = std::make_unique<FenDocument>();
    pdf::OpenResult result = document->openFile(url.path().string(), password);
    if (result != pdf::OpenResult::opened && result != pdf::OpenResult::locked) {
        return nullptr;
    }
    return document;
}

std::unique_ptr<FenDocument> FenDocument::fromData(std::string bytes,
                                                   const std::optional<std::string>& password) {
    return fromData(std::make_shared<const std::string>(std::move(bytes)), password);
}

std::unique_ptr<FenDocument> FenDocument::fromData(std::shared_ptr<const std::string> bytes,
                                                   const std::optional<std::string>& password) {
    auto document = std::make_unique<FenDocument>();
    pdf::OpenResult result = document->openData(std::move(bytes), password);
    if (result != pdf::OpenResult::opened && result != pdf::OpenResult::locked) {
        return nullptr;
    }
    return document;
}

} // namespace fen

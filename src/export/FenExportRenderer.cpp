#include "export/FenExportRenderer.h"

#include "export/FenFilesStorage.h"
#include "export/NotificationDocumentCenter.h"
#include "export/SaverStopper.h"
#include "model/FenWatermarkModel.h"
#include "model/FileNameHelpers.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Uuid.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace fen {

namespace {

constexpr std::string_view pdfExtension = ".pdf";

bool isStopped(const FenExportRenderer::Request& request) {
    return request.stopper && request.stopper->isStopRunning.load();
}

// The bytes of the document to watermark; an empty buffer when the request has none.
std::shared_ptr<const std::string> bytesOf(const FenExportRenderer::Request& request) {
    return request.data ? request.data : std::make_shared<const std::string>();
}

// The holder every file of the run shares, prepared once from the model's records. The records
// are copied on the main queue, where the editor changes them, and the pictures are made here.
std::shared_ptr<FenObjectHolder> prepareHolder(const FenExportRenderer::Request& request) {
    auto holder = std::make_shared<FenObjectHolder>();
    holder->model = request.model;
    holder->isSecureSaving = request.isSecureSaving;
    if (request.isSecureSaving) {
        // The pages are only drawn from it, never written.
        auto source = std::make_shared<pdf::Document>();
        source->setKeepsReadForWrite(false);
        if (source->openData(bytesOf(request), request.sourcePassword) == pdf::OpenResult::opened) {
            holder->pdfDoc = std::move(source);
        }
    }
    std::optional<ImageSettings> image;
    std::optional<StampSettings> stamp;
    std::optional<PageNumberSettings> pageNumber;
    bool alive = false;
    MainQueue::invokeAndWait([&] {
        if (auto model = holder->model.lock()) {
            alive = true;
            image = model->imageConf;
            stamp = model->stampConf;
            pageNumber = model->otherConf;
        }
        const std::shared_ptr<const FenObjectHolder>& preview = request.preview;
        if (image && image->imageURL && preview && preview->imageURL == image->imageURL) {
            holder->adoptImageObjects(*preview);
        }
        // What the window's preview told is not told again by its export.
        if (preview) {
            holder->notices = preview->notices;
        }
    });
    if (alive) {
        holder->updateImageObject(image);
        holder->updateStampObject(stamp);
        holder->updateOtherObject(pageNumber);
    }
    return holder;
}

// Writes one output named `fileName` (with ".pdf") from the request's data. The document is made
// on the main queue, as every document of a window is; it is marked with the channel's
// identifier so that the window recognises the write notifications it posts.
FenExportRenderer::Output writeOne(const FenExportRenderer::Request& request,
                                   const std::shared_ptr<FenObjectHolder>& holder,
                                   const std::string& fileName) {
    FenExportRenderer::Output output;
    output.fileName = fileName;

    std::unique_ptr<FenDocument> document;
    MainQueue::invokeAndWait(
        [&] { document = FenDocument::fromData(bytesOf(request), request.sourcePassword); });
    if (!document) {
        output.failure = FenExportRenderer::Failure::notPDF;
        return output;
    }
    if (document->isLocked()) {
        output.failure = FenExportRenderer::Failure::locked;
        return output;
    }
    if (request.center) {
        document->processorID = request.center->id();
    }
    document->wmObjectHolder = holder;
    document->isSaving = true;

    const std::atomic<bool>* stop = request.stopper ? &request.stopper->isStopRunning : nullptr;
    output.location = FenFilesStorage::writeDocumentToTemporaryFile(
        document.get(), request.password, output.fileName, stop, &output.writeFailure,
        request.keepsSourceEncryption);
    if (!output.location) {
        output.failure = isStopped(request) ? FenExportRenderer::Failure::stopped
                                            : FenExportRenderer::Failure::notWritten;
    }
    return output;
}

void postProcessing(const FenExportRenderer::Request& request, const std::string& name) {
    if (request.stopper && request.center) {
        request.center->post(processingForSaveNotification, name);
    }
}

// True when the run cannot go on with the next text: the data itself is the trouble, or the
// export was stopped.
bool endsRun(const FenExportRenderer::Output& output) {
    return !output.location && output.failure != FenExportRenderer::Failure::notWritten;
}

} // namespace

std::string FenExportRenderer::baseName(const std::string& fileName) {
    if (fileName.size() <= pdfExtension.size()) {
        return fileName;
    }
    std::string_view tail =
        std::string_view(fileName).substr(fileName.size() - pdfExtension.size());
    bool isPdf = std::equal(tail.begin(), tail.end(), pdfExtension.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
    return isPdf ? fileName.substr(0, fileName.size() - pdfExtension.size()) : fileName;
}

std::string FenExportRenderer::outputName(const std::string& fileName, const std::string& text,
                                          bool textAtStart) {
    const std::string base = baseName(fileName);
    return sanitizedFileName(textAtStart ? text + "_" + base : base + "_" + text);
}

std::vector<std::string>
FenExportRenderer::distinctFileNames(const std::vector<std::string>& names) {
    std::set<std::string> taken;
    std::vector<std::string> fileNames;
    fileNames.reserve(names.size());
    for (std::string name : names) {
        // A name that starts with "." is a hidden file, which file managers do not show: its
        // leading dots become "_" (one for one, so the cut below stays where it was), and an
        // empty name, which would leave ".pdf" alone, is "_".
        if (name.empty()) {
            name = "_";
        }
        for (size_t i = 0; i < name.size() && name[i] == '.'; ++i) {
            name[i] = '_';
        }
        for (int number = 1;; ++number) {
            const std::string suffix = number == 1 ? std::string() : " " + std::to_string(number);
            const size_t room = maxFileNameBytes - pdfExtension.size() - suffix.size();
            std::string candidate =
                std::string(utf8Prefix(name, room)) + suffix + std::string(pdfExtension);
            if (taken.insert(candidate).second) {
                fileNames.push_back(std::move(candidate));
                break;
            }
        }
    }
    return fileNames;
}

std::vector<FenExportRenderer::Output> FenExportRenderer::render(const Request& request) {
    std::vector<Output> outputs;
    if (isStopped(request)) {
        return outputs;
    }
    std::shared_ptr<FenObjectHolder> holder = prepareHolder(request);

    if (request.textItems.empty()) {
        // One file named after the file itself; the name is not cleaned.
        const std::string name = baseName(request.fileName);
        postProcessing(request, name);
        outputs.push_back(writeOne(request, holder, distinctFileNames({name}).front()));
        return outputs;
    }

    std::optional<TextListItem> previousSelection;
    MainQueue::invokeAndWait([&] {
        if (request.model) {
            previousSelection = request.model->selectedTextItem;
        }
    });

    std::vector<std::string> names;
    for (const std::string& text : request.textItems) {
        names.push_back(outputName(request.fileName, text, request.textAtStart));
    }
    const std::vector<std::string> fileNames = distinctFileNames(names);

    for (size_t i = 0; i < request.textItems.size(); ++i) {
        const std::string& text = request.textItems[i];
        if (isStopped(request)) {
            break;
        }
        MainQueue::invokeAndWait([&] {
            if (request.model) {
                if (request.model->textConf) {
                    holder->noticeScope().tellWhenCut(WatermarkNotices::Kind::textCut,
                                                      "The text watermark", text);
                }
                request.model->selectedTextItem = TextListItem{newUuidString(), text};
                request.model->watermarkModelPublisher.emit();
            }
        });
        // The panel shows the name the file is written under.
        const std::string& fileName = fileNames[i];
        postProcessing(request, fileName.substr(0, fileName.size() - pdfExtension.size()));
        outputs.push_back(writeOne(request, holder, fileName));
        if (endsRun(outputs.back())) {
            break;
        }
    }

    MainQueue::invokeAndWait([&] {
        if (request.model) {
            request.model->selectedTextItem = previousSelection;
            request.model->watermarkModelPublisher.emit();
        }
    });
    return outputs;
}

FenExportRenderer::Output FenExportRenderer::unreadableOutput(const std::string& fileName,
                                                              std::error_code readError) {
    Output output;
    output.fileName = baseName(fileName) + std::string(pdfExtension);
    std::error_code error;
    std::filesystem::path unusable;
    if (std::optional<std::filesystem::path> probe =
            FenFilesStorage::makeTemporaryFolder(error, &unusable)) {
        std::filesystem::remove(*probe, error);
        output.failure = Failure::unreadable;
        output.writeFailure.error = readError;
    } else {
        output.failure = Failure::notWritten;
        output.writeFailure = {true, error, unusable};
    }
    return output;
}

std::vector<Url> FenExportRenderer::renderWatermarkedPDF(
    std::shared_ptr<FenWatermarkModel> model, std::string data, std::vector<std::string> textItems,
    std::string fileName, std::shared_ptr<SaverStopper> stopper, bool isSecureSaving,
    std::optional<std::string> password, std::shared_ptr<NotificationDocumentCenter> center) {
    Request request;
    request.model = std::move(model);
    request.data = std::make_shared<const std::string>(std::move(data));
    request.textItems = std::move(textItems);
    request.fileName = std::move(fileName);
    request.stopper = std::move(stopper);
    request.isSecureSaving = isSecureSaving;
    request.password = std::move(password);
    request.center = std::move(center);
    std::vector<Url> written;
    for (auto& output : render(request)) {
        if (output.location) {
            written.push_back(std::move(*output.location));
        }
    }
    return written;
}

std::optional<std::string>
FenExportRenderer::writingDocumentIdentifier(const Notification& notification) {
    auto* const* document = std::any_cast<pdf::Document*>(&notification.object);
    if (!document || !*document) {
        return std::nullopt;
    }
    auto* fenDocument = dynamic_cast<FenDocument*>(*document);
    if (!fenDocument) {
        return std::nullopt;
    }
    return fenDocument->processorID;
}

} // namespace fen

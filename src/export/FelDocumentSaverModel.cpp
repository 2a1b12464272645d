#include "export/FelDocumentSaverModel.h"

#include "export/FelDocumentSaverPresenter.h"
#include "export/FenFilesStorage.h"
#include "export/NotificationDocumentCenter.h"
#include "export/PasswordMatchRule.h"
#include "export/SaverStopper.h"
#include "model/FenWatermarkModel.h"
#include "platform/foundation/FileIdentity.h"
#include "platform/foundation/FreedMemory.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/WholeFileReader.h"
#include "platform/pdf/Document.h"

namespace fen {

namespace {

// What an export read of the document to watermark.
struct DocumentRead {
    WholeFile file;
    // A working copy made anew, with its folder, when the window's copy was gone.
    std::optional<Url> newCopy;
    std::shared_ptr<TemporaryFolder> newCopyFolder;
    // The window's copy was removed and the opened file is no longer the one it was made from.
    bool copyRemoved = false;
};

// The bytes of the window's working copy. When the copy is gone (a clean-up of the temporary
// directory, or none could be made at opening), the opened file gives them, and a new working
// copy, as long as it is still the file the copy was made from, unchanged before and after the
// read: any other file there is not the document the window shows.
DocumentRead readDocument(const std::optional<Url>& workingCopy,
                          const std::optional<FenWatermarkModel::WorkingCopySource>& source) {
    DocumentRead read;
    if (workingCopy) {
        read.file = WholeFileReader::read(*workingCopy);
    } else {
        read.file.error = std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (read.file || read.file.error != std::errc::no_such_file_or_directory || !source) {
        return read;
    }
    const std::filesystem::path original = source->file.path();
    const auto unchanged = [&] {
        return FileIdentity::compare(source->identity, FileIdentity::of(original)) ==
               FileIdentity::Change::none;
    };
    if (unchanged()) {
        WholeFile again = WholeFileReader::readRegular(original);
        if (again && unchanged()) {
            read.file = std::move(again);
            read.newCopy = FenFilesStorage::writeData(*read.file.bytes, "tmp.pdf");
            if (read.newCopy) {
                read.newCopyFolder = FenFilesStorage::keep(*read.newCopy);
            }
            return read;
        }
    }
    read.copyRemoved = workingCopy.has_value();
    return read;
}

} // namespace

std::shared_ptr<FelDocumentSaverModel>
FelDocumentSaverModel::create(const std::shared_ptr<NotificationDocumentCenter>& channel,
                              std::shared_ptr<FenWatermarkModel> model, Environment environment) {
    std::shared_ptr<FelDocumentSaverModel> saver(
        new FelDocumentSaverModel(channel, std::move(model), std::move(environment)));
    saver->registerNotifications();
    return saver;
}

FelDocumentSaverModel::FelDocumentSaverModel(
    const std::shared_ptr<NotificationDocumentCenter>& channel,
    std::shared_ptr<FenWatermarkModel> model, Environment environment)
    : notificationDocumentCenter_(channel), model_(std::move(model)),
      environment_(std::move(environment)), filter_(std::make_shared<WriteFilter>()) {
    filter_->channelId = channel ? channel->id() : std::string();
    if (!environment_.runInBackground) {
        environment_.runInBackground = [](std::function<void()> task) {
            Background::run(std::move(task));
        };
    }
    if (!environment_.render) {
        environment_.render = FenExportRenderer::render;
    }
    if (!environment_.adopt) {
        environment_.adopt = FenFilesStorage::adopt;
    }
    if (!environment_.releaseMemory) {
        environment_.releaseMemory = returnFreedMemory;
    }
}

FelDocumentSaverModel::~FelDocumentSaverModel() {
    // A window closed during an export stops it; the worker's completion then finds no saver.
    if (saverStopper_) {
        saverStopper_->isStopRunning = true;
    }
}

void FelDocumentSaverModel::registerNotifications() {
    std::weak_ptr<FelDocumentSaverModel> weak = weak_from_this();
    for (const std::string& name :
         {pdfDocumentDidBeginWriteNotification, pdfDocumentDidEndPageWriteNotification,
          pdfDocumentDidEndWriteNotification}) {
        tokens_.push_back(NotificationCenter::defaultCenter().addObserver(
            name, [weak, filter = filter_](const Notification& notification) {
                const std::optional<double> value = writeProgress(*filter, notification);
                if (!value) {
                    return;
                }
                MainQueue::post([weak, value = *value] {
                    if (auto self = weak.lock()) {
                        self->progressModel_.setProgessValue(value);
                    }
                });
            }));
    }
    std::shared_ptr<NotificationDocumentCenter> channel = notificationDocumentCenter_.lock();
    if (!channel) {
        return;
    }
    tokens_.push_back(channel->addObserver(
        processingForSaveNotification, [weak](const Notification& notification) {
            const auto* name = std::any_cast<std::string>(&notification.object);
            if (!name) {
                return;
            }
            MainQueue::post([weak, name = *name] {
                if (auto self = weak.lock()) {
                    self->progressModel_.setFilename(name);
                    self->saverModelPublisher.emit();
                }
            });
        }));
    tokens_.push_back(
        channel->addObserver("ShareButtonUpdate", [weak](const Notification& notification) {
            auto self = weak.lock();
            if (self && notification.object.has_value()) {
                self->shareUIButton_ = notification.object;
            }
        }));
}

std::optional<double> FelDocumentSaverModel::writeProgress(const WriteFilter& filter,
                                                           const Notification& notification) {
    if (!filter.didStartToSave.load()) {
        return std::nullopt;
    }
    const std::optional<std::string> id =
        FenExportRenderer::writingDocumentIdentifier(notification);
    if (!id || *id != filter.channelId) {
        return std::nullopt;
    }
    if (notification.name == pdfDocumentDidBeginWriteNotification) {
        return 0.0;
    }
    if (notification.name == pdfDocumentDidEndWriteNotification) {
        return 100.0;
    }
    const int pages = std::any_cast<pdf::Document*>(notification.object)->pageCount();
    if (pages <= 0) {
        return std::nullopt;
    }
    // The index is that of the page just written, from 0: so many pages plus one are done.
    int done = 1;
    if (auto found = notification.userInfo.find(pdfDocumentPageIndexKey);
        found != notification.userInfo.end()) {
        if (const int* index = std::any_cast<int>(&found->second)) {
            done = *index + 1;
        }
    }
    return 100.0 * done / pages;
}

void FelDocumentSaverModel::close() {
    closed_ = true;
    presenter_ = nullptr;
    launchPending_ = false;
    if (saverStopper_) {
        saverStopper_->isStopRunning = true;
    }
}

bool FelDocumentSaverModel::handleSaveRequest(bool isShare) {
    if (closed_ || documentUnreadable_ || phase_ != Phase::idle) {
        return false;
    }
    isSavingAsShare_ = isShare;
    if (model_->isPasswordProtected) {
        if (!presenter_) {
            return false;
        }
        phase_ = Phase::passwordEntry;
        presenter_->presentPasswordPanel();
        return true;
    }
    runExport();
    return true;
}

void FelDocumentSaverModel::passwordEntered(const PasswordAnswer& answer) {
    if (phase_ != Phase::passwordEntry) {
        return;
    }
    if (answer.cancelled || !answer.password || answer.password->empty() ||
        !PasswordMatchRule::fits(answer.password)) {
        phase_ = Phase::idle;
        return;
    }
    model_->password = answer.password;
    runExport();
}

void FelDocumentSaverModel::runExport() {
    phase_ = Phase::rendering;
    isOverwrite_ = model_->isOverwrite;
    filter_->didStartToSave = true;
    startSaving();
    launchWhenReady();
}

void FelDocumentSaverModel::launchWhenReady() {
    // A cancelled render still winds down, or the document is still being read: this render
    // starts when that has ended.
    launchPending_ = renderInFlight_ || documentLoading_;
    if (!launchPending_) {
        launchRender();
    }
}

void FelDocumentSaverModel::documentRead(bool readable) {
    documentLoading_ = false;
    documentUnreadable_ = !readable;
    if (!launchPending_) {
        return;
    }
    if (readable) {
        launchWhenReady();
    } else {
        cancelSaving();
    }
}

void FelDocumentSaverModel::launchRender() {
    FenExportRenderer::Request request;
    request.model = model_;
    request.textItems = model_->listOfTextItems;
    request.fileName = model_->fileName;
    request.stopper = saverStopper_;
    request.isSecureSaving = model_->isSecureSaving;
    if (model_->isPasswordProtected) {
        request.password = model_->password;
    }
    // A file that will replace the opened one keeps its encryption, unless a password is set.
    request.keepsSourceEncryption =
        isOverwrite_ && !isSavingAsShare_ && request.textItems.size() < 2 && !request.password;
    request.center = notificationDocumentCenter_.lock();
    if (environment_.sourcePassword) {
        request.sourcePassword = environment_.sourcePassword();
    }
    if (environment_.preview) {
        request.preview = environment_.preview();
    }
    renderInFlight_ = true;
    renderRunning_->store(true);
    environment_.runInBackground([weak = weak_from_this(), request = std::move(request),
                                  workingCopy = model_->tmpOriginalDataStorage,
                                  source = model_->workingCopySource, render = environment_.render,
                                  adopt = environment_.adopt, release = environment_.releaseMemory,
                                  running = renderRunning_]() mutable {
        std::vector<FenExportRenderer::Output> outputs;
        DocumentRead read = readDocument(workingCopy, source);
        if (read.file) {
            request.data = std::make_shared<const std::string>(std::move(*read.file.bytes));
            outputs = render(request);
        } else {
            outputs.push_back(
                FenExportRenderer::unreadableOutput(request.fileName, read.file.error));
            if (read.copyRemoved &&
                outputs.back().failure == FenExportRenderer::Failure::unreadable) {
                outputs.back().failure = FenExportRenderer::Failure::copyRemoved;
                outputs.back().removedCopy = workingCopy->path();
            }
        }
        // Taken here, so the files go even when no saver is left to take them.
        RenderFolders folders;
        for (const FenExportRenderer::Output& output : outputs) {
            if (!output.location) {
                continue;
            }
            if (std::shared_ptr<TemporaryFolder> folder = adopt(*output.location)) {
                folders.push_back(std::move(folder));
            }
        }
        MainQueue::post([weak, stopper = request.stopper, outputs = std::move(outputs),
                         folders = std::move(folders), newCopy = std::move(read.newCopy),
                         newCopyFolder = std::move(read.newCopyFolder)]() mutable {
            if (auto self = weak.lock()) {
                if (newCopy) {
                    self->model_->tmpOriginalDataStorage = std::move(newCopy);
                    self->workingCopyFolder_ = std::move(newCopyFolder);
                }
                self->renderFinished(stopper, std::move(outputs), std::move(folders));
            }
        });
        // The model, the channel and the working copy's bytes are let go here, not at the end of
        // the thread; what the render freed then goes back to the system, so an idle window is
        // not left as large as its export made it.
        request = {};
        read = {};
        release();
        running->store(false);
    });
}

void FelDocumentSaverModel::renderFinished(const std::shared_ptr<SaverStopper>& stopper,
                                           std::vector<FenExportRenderer::Output> outputs,
                                           RenderFolders folders) {
    renderInFlight_ = false;
    if (closed_ || !stopper || stopper != saverStopper_ || stopper->isStopRunning) {
        // The render of a cancelled save: nothing of it is delivered.
        if (launchPending_) {
            launchWhenReady();
        }
        return;
    }
    phase_ = Phase::idle;
    // Set before the panel hides: its close delivers them.
    for (FenExportRenderer::Output& output : outputs) {
        if (output.location) {
            urlsToSave_.push_back(std::move(*output.location));
        } else {
            failures_.push_back(std::move(output));
        }
    }
    foldersToSave_ = std::move(folders);
    endSaving();
}

void FelDocumentSaverModel::startSaving() {
    urlsToSave_.clear();
    foldersToSave_.clear();
    failures_.clear();
    saverStopper_ = std::make_shared<SaverStopper>();
    progressModel_.setFilename(std::nullopt);
    progressModel_.setProgessValue(0);
    setPresented(true);
}

void FelDocumentSaverModel::endSaving() {
    filter_->didStartToSave = false;
    saverStopper_.reset();
    setPresented(false);
}

void FelDocumentSaverModel::setPresented(bool presented) {
    if (progressModel_.isProgressPresented == presented) {
        return;
    }
    progressModel_.isProgressPresented = presented;
    saverModelPublisher.emit();
    if (presenter_) {
        presenter_->syncProgressPresented();
    }
}

void FelDocumentSaverModel::progressPanelDidClose() {
    if (!progressModel_.isProgressPresented) {
        finishSaving();
    }
}

void FelDocumentSaverModel::finishSaving() {
    if (urlsToSave_.empty() && failures_.empty()) {
        return;
    }
    MainQueue::post([weak = weak_from_this(), urls = urlsToSave_,
                     folders = std::exchange(foldersToSave_, {}), failures = failures_,
                     share = isSavingAsShare_, overwrite = isOverwrite_]() mutable {
        if (auto self = weak.lock()) {
            self->deliverSavedFiles(urls, std::move(folders), failures, share, overwrite);
        }
    });
}

void FelDocumentSaverModel::deliverSavedFiles(
    const std::vector<Url>& urls, RenderFolders folders,
    const std::vector<FenExportRenderer::Output>& failures, bool isShare, bool isOverwrite) {
    if (!presenter_) {
        return;
    }
    if (isShare && !urls.empty()) {
        sharedFolders_.insert(sharedFolders_.end(), folders.begin(), folders.end());
        presenter_->presentShareSheet(urls, shareUIButton_);
    } else if (isOverwrite && urls.size() == 1 && failures.empty()) {
        // Only the one output of a save may replace the opened file, never what is left of a
        // list whose other files failed. The file goes once the question is answered (or the
        // window is gone).
        presenter_->confirmOverwrite(
            model_->fileName, [weak = weak_from_this(), url = urls.front(),
                               folders = std::move(folders)](bool replace) {
                auto self = weak.lock();
                if (!replace || !self || self->closed_) {
                    return;
                }
                if (auto channel = self->notificationDocumentCenter_.lock()) {
                    channel->post("RequestToOverwrite", url);
                }
            });
    } else if (!urls.empty()) {
        presenter_->presentExportPicker(urls, std::move(folders));
    }
    if (!failures.empty()) {
        presenter_->presentRenderFailures(failures);
    }
}

void FelDocumentSaverModel::cancelSaving() {
    if (phase_ != Phase::rendering) {
        return;
    }
    if (saverStopper_) {
        saverStopper_->isStopRunning = true;
    }
    launchPending_ = false;
    phase_ = Phase::idle;
    endSaving();
    urlsToSave_.clear();
    foldersToSave_.clear();
    failures_.clear();
}

} // namespace fen

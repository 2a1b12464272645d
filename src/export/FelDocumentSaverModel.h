#pragma once

#include "export/FelDocumentSaverPresenter.h"
#include "export/FelDocumentSaverProgressModel.h"
#include "export/FenExportRenderer.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Signal.h"
#include "platform/foundation/Url.h"

#include <any>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen {

class FenObjectHolder;
class FenWatermarkModel;
class NotificationDocumentCenter;
class SaverStopper;

// The saver of one document window: it runs a save from the request to the delivery. A request
// (Export, Share, the menu's export) first asks for a password when the model wants one, then
// renders the window's working copy (made again from the opened file when it was removed and
// that file is unchanged) on a worker thread while the progress panel shows the file
// being written and how far its write has come, and at the end hands the files to the share
// sheet, writes the one file over the opened document ("RequestToOverwrite") once the user has
// confirmed it, or opens the export picker on them. A file to replace the opened one keeps the
// opened file's encryption unless the save sets a password of its own. Every file that was not
// written is told, with its reason, once the panel has closed, so no save ends silently (a
// cancelled one excepted).
//
// The written files are the window's: they go once delivered (the overwrite answered, the
// picker's copies made or declined), a cancelled save's at once; those offered by Share stay
// until the saver goes, with its window.
//
// One save at a time: a request while the password panel is open or a render runs is ignored.
// Cancel in the password panel ends the save and writes nothing. Cancel in the progress panel
// sets the save's stopper, so the render stops between files and pages and delivers nothing; a
// save requested while the cancelled render winds down shows its panel at once and starts
// rendering when that render has ended, so the two never share the model's selected text. The
// completion of a render whose save was cancelled, or whose saver is gone (the window closed; its
// destruction sets the stopper), does nothing.
//
// The write notifications arrive on the worker thread: they are filtered there by fields that do
// not change during a save (the channel's identifier, an atomic flag) and applied on the main
// queue. Everything else runs on the main queue. Made with create(), since the worker's
// completions hold it weakly.
class FelDocumentSaverModel : public std::enable_shared_from_this<FelDocumentSaverModel> {
public:
    // What a save needs from outside the window's model; the defaults are the program's own.
    struct Environment {
        // Runs work off the main thread (fen::Background::run).
        std::function<void(std::function<void()>)> runInBackground;
        // Renders the files of a request (FenExportRenderer::render).
        std::function<std::vector<FenExportRenderer::Output>(const FenExportRenderer::Request&)>
            render;
        // Takes the folder of a written file as the window's (FenFilesStorage::adopt).
        std::function<std::shared_ptr<TemporaryFolder>(const Url&)> adopt;
        // The password the opened file was unlocked with, when it is locked.
        std::function<std::optional<std::string>()> sourcePassword;
        // The holder of the window's preview, whose picture the export draws (asked on the main
        // queue when a render starts; none before the document is loaded).
        std::function<std::shared_ptr<const FenObjectHolder>()> preview;
        // Gives the memory a render freed back to the system, on the worker once everything
        // the render made is gone (returnFreedMemory).
        std::function<void()> releaseMemory;
    };

    // The answer of the password panel.
    struct PasswordAnswer {
        // Cancel was pressed: the save ends.
        bool cancelled = false;
        // What "Ok" handed over. The panel confirms no empty password, nor one longer than a
        // file takes; an answer without one, or with a longer one, ends the save as Cancel does,
        // so a save asked to be protected never writes its files unencrypted, nor with a
        // password that does not open them.
        std::optional<std::string> password;
    };

    static std::shared_ptr<FelDocumentSaverModel>
    create(const std::shared_ptr<NotificationDocumentCenter>& channel,
           std::shared_ptr<FenWatermarkModel> model, Environment environment = {});
    ~FelDocumentSaverModel();
    FelDocumentSaverModel(const FelDocumentSaverModel&) = delete;
    FelDocumentSaverModel& operator=(const FelDocumentSaverModel&) = delete;

    // Sets where the preview's holder is found (Environment::preview), for a window that loads its
    // document after the saver was made.
    void setPreview(std::function<std::shared_ptr<const FenObjectHolder>()> preview) {
        environment_.preview = std::move(preview);
    }
    // The window's document is being read: a save asked for meanwhile shows its progress panel
    // at once and renders once documentRead() says the document is there to read, so an Export
    // pressed as the window shows writes the document rather than failing on a working copy not
    // yet made.
    void documentLoading() { documentLoading_ = true; }
    // The window's document has been read (`readable`) or could not be (the window says why): a
    // save that waited for it renders now, or ends. A document that could not be read gives
    // nothing to save: every later request is ignored, as the window's disabled Export and Share
    // buttons ignore a press.
    void documentRead(bool readable);
    // The window's views that show the panels; null detaches them (the view is going away).
    void setPresenter(FelDocumentSaverPresenter* presenter) { presenter_ = presenter; }

    // Starts a save ending in the share sheet (`isShare`) or in the overwrite or export picker.
    // False when it was ignored, since a save is under way or the document could not be read.
    bool handleSaveRequest(bool isShare);
    // The password panel closed with this answer.
    void passwordEntered(const PasswordAnswer& answer);
    // The progress panel's Cancel.
    void cancelSaving();
    // The presenter tells that the progress panel has closed; a save whose files are ready is
    // delivered then.
    void progressPanelDidClose();

    // The window is closing: the save in hand stops and nothing further starts or is shown.
    void close();
    // True while a render's worker runs (a stopped one too, until it has ended); it then no longer
    // needs the main queue. A window waits for it before it goes, so no export outlives the
    // program.
    bool isRenderRunning() const { return renderRunning_->load(); }

    // The state a presenter shows.
    FelDocumentSaverProgressModel& progressModel() { return progressModel_; }
    // Sent whenever the panel's visibility or the file name in it changes.
    Signal<> saverModelPublisher;

    // True from the start of a render until its end.
    bool didStartToSave() const { return filter_->didStartToSave.load(); }
    // True while the password panel is open or a render runs.
    bool isBusy() const { return phase_ != Phase::idle; }
    bool isSavingAsShare() const { return isSavingAsShare_; }
    // The model's overwrite choice, copied when the render started.
    bool isOverwrite() const { return isOverwrite_; }
    // What the save in hand is to deliver.
    const std::vector<Url>& urlsToSave() const { return urlsToSave_; }
    // The outputs of the save in hand that were not written, told after the delivery.
    const std::vector<FenExportRenderer::Output>& failures() const { return failures_; }
    const std::shared_ptr<SaverStopper>& saverStopper() const { return saverStopper_; }
    // The last anchor the Share button announced ("ShareButtonUpdate"); empty before.
    const std::any& shareUIButton() const { return shareUIButton_; }

private:
    enum class Phase { idle, passwordEntry, rendering };
    // What the worker's filter reads: fixed for the window's life or atomic.
    struct WriteFilter {
        std::string channelId;
        std::atomic<bool> didStartToSave{false};
    };

    FelDocumentSaverModel(const std::shared_ptr<NotificationDocumentCenter>& channel,
                          std::shared_ptr<FenWatermarkModel> model, Environment environment);
    void registerNotifications();
    void runExport();
    void launchRender();
    // Renders now, or once the render winding down has ended and the document has been read.
    void launchWhenReady();
    void renderFinished(const std::shared_ptr<SaverStopper>& stopper,
                        std::vector<FenExportRenderer::Output> outputs, RenderFolders folders);
    void startSaving();
    void endSaving();
    void finishSaving();
    void deliverSavedFiles(const std::vector<Url>& urls, RenderFolders folders,
                           const std::vector<FenExportRenderer::Output>& failures, bool isShare,
                           bool isOverwrite);
    void setPresented(bool presented);
    // The progress of one write notification, when it is this window's; posted to the main queue.
    static std::optional<double> writeProgress(const WriteFilter& filter,
                                               const Notification& notification);

    std::weak_ptr<NotificationDocumentCenter> notificationDocumentCenter_;
    std::shared_ptr<FenWatermarkModel> model_;
    Environment environment_;
    FelDocumentSaverPresenter* presenter_ = nullptr;
    FelDocumentSaverProgressModel progressModel_;
    std::shared_ptr<WriteFilter> filter_;
    Phase phase_ = Phase::idle;
    std::vector<Url> urlsToSave_;
    // The folders of urlsToSave_, held until delivered.
    RenderFolders foldersToSave_;
    // The folders of the files Share offered; they stay while the window does.
    RenderFolders sharedFolders_;
    // The folder of the working copy an export made again after the window's was removed.
    std::shared_ptr<TemporaryFolder> workingCopyFolder_;
    std::vector<FenExportRenderer::Output> failures_;
    std::shared_ptr<SaverStopper> saverStopper_;
    bool isSavingAsShare_ = false;
    bool isOverwrite_ = false;
    std::any shareUIButton_;
    // A render runs on the worker (perhaps one that was cancelled and winds down).
    bool renderInFlight_ = false;
    // A save waits for the cancelled render to end, or for the document, before its own starts.
    bool launchPending_ = false;
    // The window's document is still being read.
    bool documentLoading_ = false;
    // The window's document could not be read.
    bool documentUnreadable_ = false;
    bool closed_ = false;
    std::shared_ptr<std::atomic<bool>> renderRunning_ = std::make_shared<std::atomic<bool>>(false);
    std::vector<ObserverToken> tokens_;
};

} // namespace fen

#pragma once

#include "platform/foundation/Signal.h"
#include "platform/foundation/Url.h"
#include "shell/KvScene.h"
#include "shell/SceneState.h"

#include <QObject>
#include <QPointer>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

class QAction;
class QFileDialog;
class QMenu;

namespace fen {

struct MenuElement;
class QuitWaitAlert;
class StoreQueue;

// The program's window system: every scene is a KvScene window, made, brought forward and
// closed here. It starts the program's windows (those kept at the last quit, then the files
// given, else the browser), keeps the windows' sessions at Quit (Ctrl+Q or SIGTERM) while it is
// the one program holding them (KeptWindowsLock), and ends the process once no window
// remains after the event queue has settled, so the browser's close-then-open hand-over never
// ends it. Neither quit ends the program while preset saves still wait for the store
// (QuitWaitAlert). Ctrl+Q quits from a dialog over a window too (a sheet, an alert, a file dialog,
// the progress of an export), which blocks that window's menu. Every window carries the main menu,
// drawn again after each rebuild; a command goes to the application delegate, or is one of the
// window system's own (close, quit, edit the focused field, full screen, minimise, bring a window
// forward).
class SceneManager : public QObject, public ShellPlatform {
    Q_OBJECT
public:
    explicit SceneManager(DocumentViewFactory documentView,
                          std::filesystem::path stateFile = sceneStateFile());
    // `storeQueue` holds the preset saves that a quit waits for.
    SceneManager(DocumentViewFactory documentView, std::filesystem::path stateFile,
                 StoreQueue& storeQueue);
    ~SceneManager() override;

    std::vector<Scene*> connectedScenes() const override;
    void after(int milliseconds, std::function<void()> task) override;
    SceneSize availableScreenSize() const override;
    double currentTime() const override;

    // The first start's windows: those kept at the last quit, each file once and each in the
    // frame it had, then the files given, as a later start's would be; with neither, the browser.
    // An address that names no file gets no window: one alert names such addresses.
    void start(const std::vector<Url>& files);
    // For a program beside the running one, which did not take its files: `start` opens only the
    // files given, and no quit writes the windows kept, which stay the running program's.
    void openOnlyGivenFiles() { keepsSessions_ = false; }
    // Files handed over by a later start (openHandedFiles); false, taking none, once the program
    // is quitting, so the sender waits for the next program instead of losing them. A quit that
    // still waits for the store is called off: the files open.
    bool takeHandedFiles(const std::vector<Url>& files);
    // Keeps each document window's session and frame for the next start and ends the process,
    // once no preset save waits for the store; until then it says so over `window` (none: the
    // key window, else the first).
    void quitKeepingSessions(QWidget* window = nullptr);
    // The quit that waits for the store.
    QuitWaitAlert& quitWait() { return *quitWait_; }
    // SIGTERM quits as the Quit command does.
    void installTerminationHandler();
    // The display is gone (a logout), and the process ends as soon as the call that told it
    // returns: the program quits here and now as Quit does, with no event loop. The windows are
    // kept for the next start (unless a quit already kept them) and taken down at once, each
    // stopping its export and waiting for its worker, with no question asked (no alert can show).
    void quitAtDisplayLoss();

    const DocumentViewFactory& documentView() const { return documentView_; }
    // The one browser, made on first use; it moves into the window that shows it.
    QFileDialog& browserView();
    void browserMovedTo(KvScene* scene);
    void userClosed(const std::string& session) { sceneClosed(session); }
    // Runs a menu command chosen in `scene`'s menu bar.
    void runMenuCommand(KvScene* scene, const MenuElement& command);

protected:
    // Gives each dialog shown over one of the windows the Quit key, and quits on the key.
    bool eventFilter(QObject* watched, QEvent* event) override;
    Scene& addScene(const std::string& session, const ConnectionOptions& options) override;
    void removeScene(const std::string& session) override;
    void bringForward(Scene& scene) override;

private:
    // The files and addresses of `files` that name a file.
    static std::vector<Url> namedFiles(const std::vector<Url>& files);
    // One alert for the addresses of `files` that name no file, when there are any: it names the
    // first few, each elided to a line of its own, and counts the rest, so that it stays small.
    void tellNamingNoFile(const std::vector<Url>& files);
    // Who may bring back and keep the windows: this program when it holds the right to them
    // (KeptWindowsLock), or cannot tell, and keeps them.
    KeptWindowsLock::Holder holdKeptWindows();
    // Writes `scenes` as writeSceneState does, and is false when that fails; when another keeper
    // holds the folder now at their path, or it is another user's, writes nothing there and
    // tells, in one line, the windows it did not keep.
    bool writeKeptWindows(const std::vector<SavedScene>& scenes);
    // Lets another program keep the windows once this one has written them for the last time.
    void releaseKeptWindows();
    // The window of this program's that `widget` is or lies over (a dialog's, through its
    // parents); none when it is no window's.
    KvScene* sceneHolding(QWidget* widget) const;
    void scheduleQuitCheck();
    void keepSessionsAndQuit();
    // Writes each window's session and frame for the next start (as the keeper only), then lets
    // another program keep them.
    void keepSessions();
    // Deletes every window and the browser, each window ending its own work as it goes.
    void takeDownWindows();
    void endEventLoop();
    void renderMenu(KvScene* scene);
    void scheduleMenuRender();
    void fillWindowList(KvScene* scene, QMenu* menu);

    DocumentViewFactory documentView_;
    std::filesystem::path stateFile_;
    std::vector<QPointer<KvScene>> scenes_;
    QPointer<QFileDialog> browser_;
    QPointer<KvScene> browserHolder_;
    // The frames of the windows being restored, by session, taken when the window is made.
    std::map<std::string, std::string> restoringFrames_;
    bool quitting_ = false;
    bool keepsSessions_ = true;
    // Held while this program is the keeper of the kept windows.
    KeptWindowsLock keptWindows_;
    QuitWaitAlert* quitWait_ = nullptr;
    // The Quit command's key held by the dialogs over the windows, since a dialog blocks the
    // menu of the window under it; the key itself is taken in eventFilter.
    QAction* quitKey_ = nullptr;
    Connection menuRebuilt_;
    bool menuRenderPending_ = false;
};

} // namespace fen

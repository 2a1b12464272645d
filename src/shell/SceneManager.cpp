#include "shell/SceneManager.h"

#include "platform/foundation/Log.h"
#include "shell/DocumentBrowser.h"
#include "shell/KvAppDelegate.h"
#include "shell/KvCatalystSceneDelegate.h"
#include "shell/KvDocumentController.h"
#include "shell/MainMenuBar.h"
#include "shell/NoFileAddresses.h"
#include "shell/QuitWaitAlert.h"
#include "shell/Shell.h"
#include "storage/StoreQueue.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcutEvent>
#include <QSocketNotifier>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <iterator>
#include <set>
#include <utility>

#include <sys/socket.h>
#include <unistd.h>

namespace fen {

namespace {

// The termination handler's pair: the handler writes a byte, the GUI thread reads. Both ends are
// non-blocking: a handler on any thread returns at once, since a full pair already holds a quit
// that is pending, and the reader takes every byte it finds.
int terminationPipe[2] = {-1, -1};

void onTermination(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], &byte, 1);
    errno = savedErrno;
}

// Empties the pair; whether any signal had come.
bool takeTerminations() {
    bool any = false;
    char bytes[512];
    for (;;) {
        const ssize_t got = ::read(terminationPipe[0], bytes, sizeof bytes);
        if (got > 0) {
            any = true;
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            return any;
        }
    }
}

// The Quit command of `menus`, or none.
const MenuElement* quitCommand(const std::vector<MenuElement>& menus) {
    for (const MenuElement& element : menus) {
        if (element.kind == MenuElement::Kind::command && element.action == "quit") {
            return &element;
        }
        if (const MenuElement* found = quitCommand(element.children)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

SceneManager::SceneManager(DocumentViewFactory documentView, std::filesystem::path stateFile)
    : SceneManager(std::move(documentView), std::move(stateFile), StoreQueue::shared()) {}

SceneManager::SceneManager(DocumentViewFactory documentView, std::filesystem::path stateFile,
                           StoreQueue& storeQueue)
    : documentView_(std::move(documentView)), stateFile_(std::move(stateFile)),
      quitWait_(new QuitWaitAlert(storeQueue, this)), quitKey_(new QAction(this)) {
    const std::vector<MenuElement> menus = MainMenuSystem::systemMenus();
    if (const MenuElement* quit = quitCommand(menus)) {
        quitKey_->setShortcuts(MainMenuBar::shortcuts(*quit));
    }
    // A window's own shortcuts are dropped while a dialog blocks it, even where it has the
    // keyboard: the key is the application's, held by the dialogs, which nothing blocks.
    quitKey_->setShortcutContext(Qt::ApplicationShortcut);
    qApp->installEventFilter(this);
}

bool SceneManager::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog && dialog->isWindow() && sceneHolding(dialog)) {
            dialog->addAction(quitKey_);
        }
    } else if (event->type() == QEvent::Shortcut &&
               quitKey_->shortcuts().contains(static_cast<QShortcutEvent*>(event)->key())) {
        // The key quits whoever holds it: a window's menu, or the dialogs. Where both hold it
        // (a dialog over one window, another window in front), Qt calls the key ambiguous and
        // runs neither, so it is taken here, as SIGTERM's quit, over the window in front.
        quitKeepingSessions(QApplication::activeWindow());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

KvScene* SceneManager::sceneHolding(QWidget* widget) const {
    for (; widget; widget = widget->parentWidget()) {
        const auto scene = std::find_if(scenes_.begin(), scenes_.end(),
                                        [widget](const auto& held) { return held == widget; });
        if (scene != scenes_.end()) {
            return scene->data();
        }
    }
    return nullptr;
}

SceneManager::~SceneManager() {
    releaseKeptWindows();
    takeDownWindows();
}

void SceneManager::takeDownWindows() {
    const std::vector<QPointer<KvScene>> open = std::exchange(scenes_, {});
    for (const QPointer<KvScene>& scene : open) {
        if (scene) {
            scene->markGoing();
            delete scene.data();
        }
    }
    delete browser_.data();
}

std::vector<Scene*> SceneManager::connectedScenes() const {
    std::vector<Scene*> result;
    for (const QPointer<KvScene>& scene : scenes_) {
        if (scene) {
            result.push_back(scene.data());
        }
    }
    return result;
}

void SceneManager::after(int milliseconds, std::function<void()> task) {
    QTimer::singleShot(milliseconds, this, std::move(task));
}

SceneSize SceneManager::availableScreenSize() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->availableSize() : QSize(1500, 1000);
    return {static_cast<double>(size.width()), static_cast<double>(size.height())};
}

double SceneManager::currentTime() const {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

void SceneManager::start(const std::vector<Url>& files) {
    if (keepsSessions_) {
        const KeptWindowsLock::Holder holder = holdKeptWindows();
        keepsSessions_ = holder == KeptWindowsLock::Holder::thisProgram;
        if (holder == KeptWindowsLock::Holder::anotherKeeper) {
            log::message(log::Level::warning,
                         "the windows kept at the last Quit are another running fenmoor's; "
                         "opening only the files given, and keeping none of this program's "
                         "windows");
        } else if (holder == KeptWindowsLock::Holder::anotherUser) {
            log::message(log::Level::warning,
                         "the folder of the windows kept at Quit, " +
                             stateFile_.parent_path().string() +
                             ", belongs to another user; opening only the files given, and "
                             "keeping none of this program's windows");
        }
    }
    std::vector<Scene*> restored;
    std::set<std::string> restoredFiles;
    const std::vector<SavedScene> kept =
        keepsSessions_ ? readSceneState(stateFile_) : std::vector<SavedScene>{};
    for (const SavedScene& saved : kept) {
        // A file kept twice (two windows of it at the last quit) comes back once.
        const auto bookmark = saved.activity.userInfo.find(activity::restorationBookmark);
        if (bookmark != saved.activity.userInfo.end() &&
            !restoredFiles.insert(fileIdentity(Url::fileURL(bookmark->second))).second) {
            continue;
        }
        restoringFrames_[saved.session] = saved.geometry;
        if (Scene* scene = restoreSession(saved.session, saved.activity)) {
            restored.push_back(scene);
        }
        restoringFrames_.erase(saved.session);
    }
    // A restored window that lost the shared browser to a later one shows nothing: it goes.
    for (Scene* scene : restored) {
        if (scene->root() == SceneRoot::none) {
            removeScene(scene->persistentIdentifier());
        }
    }
    const std::vector<Url> named = namedFiles(files);
    if (!named.empty()) {
        openHandedFiles(named);
    } else if (scenes_.empty()) {
        activateSceneSession(std::nullopt, std::nullopt);
    }
    tellNamingNoFile(files);
}

KeptWindowsLock::Holder SceneManager::holdKeptWindows() {
    // The windows kept at Quit have one keeper at a time. Two programs that cannot reach each
    // other (no private folder for the hand-off, or runtime folders of their own) would otherwise
    // both bring them back, and the last to quit would write over what the other kept.
    return keptWindows_.take(stateFile_.parent_path());
}

bool SceneManager::writeKeptWindows(const std::vector<SavedScene>& scenes) {
    const KeptWindowsLock::Holder holder = keptWindows_.holderOfFolderAtPath();
    if (holder == KeptWindowsLock::Holder::thisProgram) {
        return writeSceneState(stateFile_, scenes);
    }
    if (!scenes.empty()) {
        log::message(log::Level::error,
                     "the windows were not kept for the next start: their folder " +
                         stateFile_.parent_path().string() +
                         " was moved or removed while this program ran, and " +
                         (holder == KeptWindowsLock::Holder::anotherKeeper
                              ? "another program keeps its windows in the folder now there"
                              : "the folder now there belongs to another user"));
    }
    return true;
}

void SceneManager::releaseKeptWindows() {
    keptWindows_.release();
}

bool SceneManager::takeHandedFiles(const std::vector<Url>& files) {
    if (quitting_) {
        return false;
    }
    const std::vector<Url> named = namedFiles(files);
    if (!named.empty() || files.empty()) {
        openHandedFiles(named);
        // The user wants the program after all.
        quitWait_->withdraw();
    }
    tellNamingNoFile(files);
    return true;
}

std::vector<Url> SceneManager::namedFiles(const std::vector<Url>& files) {
    std::vector<Url> named;
    std::copy_if(files.begin(), files.end(), std::back_inserter(named), [](const Url& url) {
        return KvCatalystSceneDelegate::strippingScheme(url).isFileURL();
    });
    return named;
}

namespace {

// The widest an address is shown in the notice, in pixels of the notice's text.
constexpr int addressWidth = 420;

} // namespace

void SceneManager::tellNamingNoFile(const std::vector<Url>& files) {
    std::vector<std::string> addresses;
    for (const Url& url : files) {
        if (!KvCatalystSceneDelegate::strippingScheme(url).isFileURL()) {
            addresses.push_back(url.absoluteString());
        }
    }
    if (addresses.empty()) {
        return;
    }
    // One alert however many, over the window that is in front.
    QWidget* window = QApplication::activeWindow();
    if (!window) {
        const auto first = std::find_if(scenes_.begin(), scenes_.end(),
                                        [](const auto& scene) { return !scene.isNull(); });
        window = first != scenes_.end() ? first->data() : nullptr;
    }
    const qsizetype count = static_cast<qsizetype>(addresses.size());
    const QString title = count == 1 ? ui::tr("The address names no file")
                                     : ui::tr("%1 addresses name no file").arg(count);
    // The first few, each on a line the alert can hold, and how many more.
    const QFontMetrics metrics(QApplication::font("QLabel"));
    const NoFileAddresses told = NoFileAddresses::of(addresses);
    QStringList lines;
    for (const QString& address : told.listed) {
        lines << metrics.elidedText(address, Qt::ElideMiddle, addressWidth);
    }
    if (told.more > 0) {
        lines << ui::tr("and %1 more").arg(told.more);
    }
    const QString message = lines.join(QLatin1Char('\n'));
    QDialog* notice = ui::presentNotice(window, title, message);
    // An address is shown as it is written, never read as markup, and each on one line.
    for (QLabel* label : notice->findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        if (label->text() == message) {
            label->setWordWrap(false);
        }
    }
}

void SceneManager::quitKeepingSessions(QWidget* window) {
    if (quitting_) {
        return;
    }
    if (!window) {
        window = QApplication::activeWindow();
    }
    // A dialog in front (a sheet, the Export dialog) stands for the window it lies over.
    window = sceneHolding(window);
    if (!window) {
        const auto first = std::find_if(scenes_.begin(), scenes_.end(),
                                        [](const auto& scene) { return !scene.isNull(); });
        window = first != scenes_.end() ? first->data() : nullptr;
    }
    quitWait_->request(
        window, [this] { keepSessionsAndQuit(); }, nullptr);
}

void SceneManager::keepSessionsAndQuit() {
    quitting_ = true;
    keepSessions();
    endEventLoop();
}

void SceneManager::quitAtDisplayLoss() {
    if (!quitting_) {
        quitting_ = true;
        keepSessions();
    }
    takeDownWindows();
}

void SceneManager::keepSessions() {
    if (!keepsSessions_) {
        return;
    }
    std::vector<SavedScene> saved;
    for (const QPointer<KvScene>& scene : scenes_) {
        if (!scene || !scene->delegate) {
            continue;
        }
        UserActivity activity = scene->delegate->stateRestorationActivity(*scene);
        if (!activity.userInfo.empty()) {
            const QByteArray geometry = scene->saveGeometry();
            saved.push_back(
                {scene->persistentIdentifier(), std::move(activity), geometry.toStdString()});
        }
    }
    if (!writeKeptWindows(saved)) {
        log::message(log::Level::error, "the windows could not be kept for the next start: " +
                                            stateFile_.string() + " could not be written");
    }
    // A start made while this program ends (the store's last writes) keeps the windows after it.
    releaseKeptWindows();
}

void SceneManager::endEventLoop() {
    // The application's quit closes every window (each ends its own work) and then the event
    // loop, but is called off by a window that refuses to close (a sheet over a running export).
    // This quit is final, or the program would have kept its windows and take no further quit or
    // files: the windows that are left close with their sheets, and the loop ends all the same.
    // Each window closed leaves the list: a copy of it is walked, or the window after a closed
    // one would be skipped and kept open, its workers holding the program's end.
    QCoreApplication::quit();
    const std::vector<QPointer<KvScene>> open = scenes_;
    for (const QPointer<KvScene>& scene : open) {
        if (scene) {
            scene->close();
        }
    }
    QCoreApplication::exit(0);
}

void SceneManager::installTerminationHandler() {
    // One pair for the process; each manager listens to it while it lives.
    if (terminationPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK,
                                               0, terminationPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(terminationPipe[0], QSocketNotifier::Read, this);
    // Every signal quits as the first did: a quit called off (Cancel, a failed save) leaves the
    // next one to quit again. Signals that come while a quit waits for the store, or once it is
    // final, start none again.
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        if (takeTerminations() && !quitWait_->isWaiting()) {
            quitKeepingSessions();
        }
    });
    struct sigaction action = {};
    action.sa_handler = onTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
}

QFileDialog& SceneManager::browserView() {
    if (!browser_) {
        browser_ = new QFileDialog(nullptr, Qt::Widget);
        browser_->setOption(QFileDialog::DontUseNativeDialog);
        browser_->setOption(QFileDialog::ReadOnly);
        browser_->setFileMode(QFileDialog::ExistingFiles);
        browser_->setAcceptMode(QFileDialog::AcceptOpen);
        browser_->setMimeTypeFilters({QStringLiteral("application/pdf")});
        browser_->setAccessibleName(ui::tr("Open"));
        if (auto* newFolder =
                browser_->findChild<QToolButton*>(QStringLiteral("newFolderButton"))) {
            newFolder->hide();
        }
        connect(browser_, &QFileDialog::filesSelected, this, [this](const QStringList& files) {
            std::vector<Url> urls;
            for (const QString& file : files) {
                urls.push_back(Url::fileURL(file.toStdString()));
            }
            if (shell()) {
                shell()->documentBrowser().didPick(urls);
            }
        });
        connect(browser_, &QDialog::rejected, this, [this] {
            if (shell()) {
                shell()->documentBrowser().closeOwnScene();
            }
        });
    }
    return *browser_;
}

void SceneManager::browserMovedTo(KvScene* scene) {
    if (browserHolder_ && browserHolder_ != scene) {
        browserHolder_->takeBrowser();
    }
    browserHolder_ = scene;
}

Scene& SceneManager::addScene(const std::string& session, const ConnectionOptions&) {
    auto* scene = new KvScene(*this, session);
    if (const auto frame = restoringFrames_.find(session);
        frame != restoringFrames_.end() && !frame->second.empty()) {
        scene->restoreFrame(QByteArray::fromStdString(frame->second));
    }
    scenes_.emplace_back(scene);
    renderMenu(scene);
    return *scene;
}

void SceneManager::renderMenu(KvScene* scene) {
    if (!shell()) {
        return;
    }
    MainMenuSystem& menu = shell()->mainMenu();
    if (!menuRebuilt_.connected()) {
        menuRebuilt_ = menu.rebuilt.connect([this] { scheduleMenuRender(); });
    }
    QPointer<KvScene> guarded(scene);
    MainMenuBar::render(
        scene->menuBar(), menu.menus(),
        [this, guarded](const MenuElement& command) {
            if (guarded) {
                runMenuCommand(guarded, command);
            }
        },
        [this, guarded](QMenu* list) {
            if (guarded) {
                fillWindowList(guarded, list);
            }
        });
}

void SceneManager::scheduleMenuRender() {
    // A command of the menu itself may have asked for the rebuild: the bars are drawn again once
    // it has returned.
    if (menuRenderPending_) {
        return;
    }
    menuRenderPending_ = true;
    QTimer::singleShot(0, this, [this] {
        menuRenderPending_ = false;
        for (const QPointer<KvScene>& scene : scenes_) {
            if (scene) {
                renderMenu(scene);
            }
        }
    });
}

void SceneManager::fillWindowList(KvScene* scene, QMenu* menu) {
    for (const QPointer<KvScene>& other : scenes_) {
        if (!other || !other->isVisible()) {
            continue;
        }
        QAction* action = menu->addAction(other->windowTitle());
        action->setCheckable(true);
        action->setChecked(other == scene);
        QPointer<KvScene> target = other;
        connect(action, &QAction::triggered, this, [this, target] {
            if (target) {
                bringForward(*target);
            }
        });
    }
}

namespace {

// The Edit menu's commands act on the field that has the keyboard focus in the window.
template <typename Field> bool editField(QWidget* focus, const std::string& action) {
    auto* field = qobject_cast<Field*>(focus);
    if (!field) {
        return false;
    }
    if (action == "undo") {
        field->undo();
    } else if (action == "redo") {
        field->redo();
    } else if (action == "cut") {
        field->cut();
    } else if (action == "copy") {
        field->copy();
    } else if (action == "paste") {
        field->paste();
    } else if (action == "selectAll") {
        field->selectAll();
    }
    return true;
}

void editFocusedField(QWidget* focus, const std::string& action) {
    if (editField<QLineEdit>(focus, action) || editField<QTextEdit>(focus, action) ||
        editField<QPlainTextEdit>(focus, action) || action != "selectAll") {
        return;
    }
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(focus)) {
        spin->selectAll();
    } else if (auto* list = qobject_cast<QAbstractItemView*>(focus)) {
        list->selectAll();
    }
}

// A window property set false refuses the change; an absent one allows it.
bool allowed(const QWidget* window, const char* property) {
    const QVariant value = window->property(property);
    return !value.isValid() || value.toBool();
}

} // namespace

void SceneManager::runMenuCommand(KvScene* scene, const MenuElement& command) {
    if (shell() && shell()->appDelegate().performMenuAction(command)) {
        return;
    }
    const std::string& action = command.action;
    if (action == "closeWindow") {
        scene->close();
    } else if (action == "quit") {
        quitKeepingSessions(scene);
    } else if (action == "newWindow") {
        activateSceneSession(std::nullopt, std::nullopt);
    } else if (action == "minimize") {
        if (allowed(scene, "miniaturizable")) {
            scene->showMinimized();
        }
    } else if (action == "toggleFullScreen") {
        if (allowed(scene, "allowsFullScreen")) {
            scene->isFullScreen() ? scene->showNormal() : scene->showFullScreen();
        }
    } else {
        editFocusedField(scene->focusWidget(), action);
    }
}

void SceneManager::removeScene(const std::string& session) {
    const auto it = std::find_if(scenes_.begin(), scenes_.end(), [&](const auto& scene) {
        return scene && scene->persistentIdentifier() == session;
    });
    if (it == scenes_.end()) {
        return;
    }
    QPointer<KvScene> scene = *it;
    scenes_.erase(it);
    scene->markGoing();
    scene->takeBrowser();
    scene->hide();
    scene->deleteLater();
    scheduleQuitCheck();
}

void SceneManager::bringForward(Scene& scene) {
    scene.makeKeyAndVisible();
}

void SceneManager::scheduleQuitCheck() {
    QTimer::singleShot(0, this, [this] {
        std::erase_if(scenes_, [](const auto& scene) { return scene.isNull(); });
        if (!scenes_.empty() || quitting_) {
            return;
        }
        // With no window left, the wait for the store shows in a window of its own; called off,
        // the program shows the browser rather than nothing.
        quitWait_->request(
            nullptr,
            [this] {
                if (std::none_of(scenes_.begin(), scenes_.end(),
                                 [](const auto& scene) { return !scene.isNull(); })) {
                    quitting_ = true;
                    if (keepsSessions_) {
                        writeKeptWindows({});
                    }
                    releaseKeptWindows();
                    QCoreApplication::quit();
                }
            },
            [this] {
                if (std::none_of(scenes_.begin(), scenes_.end(),
                                 [](const auto& scene) { return !scene.isNull(); })) {
                    activateSceneSession(std::nullopt, std::nullopt);
                }
            });
    });
}

} // namespace fen

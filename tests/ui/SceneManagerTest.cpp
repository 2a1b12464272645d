// The program's windows on the real window system (offscreen): a file that reaches the running
// program again, by whatever road, brings its one window forward; windows kept at Quit come back
// once each, in the frames they had; only files that opened are recent and come back.
#include "shell/SceneManager.h"
#include "app/HandOff.h"
#include "document/DocumentView.h"
#include "document/FelDocumentViewMain.h"
#include "model/Json.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RecentDocuments.h"
#include "shell/KvAppDelegate.h"
#include "shell/KvCatalystBugFix.h"
#include "shell/KvCatalystDocumentRecentMenu.h"
#include "shell/KvDocument.h"
#include "shell/KvDocumentController.h"
#include "shell/Shell.h"
#include "support/PdfFixtures.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"
#include "support/Unprivileged.h"
#include "ui/Sheets.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

using Files = std::vector<std::string>;

QWidget* plainView(std::weak_ptr<KvDocument>, QWidget* parent) {
    return new QWidget(parent);
}

QWidget* documentWindow(std::weak_ptr<KvDocument> document, QWidget* parent) {
    return new DocumentView(std::move(document), parent);
}

class SceneManagerTest : public ::testing::Test {
protected:
    // The program started by a test listens on a socket in its runtime folder here.
    test::TempDir dir{test::TempDir::Reach::sockets};
    fs::path stateFile = dir / "state" / "scenes.json";
    std::unique_ptr<SceneManager> manager;
    std::unique_ptr<Shell> shell;

    void SetUp() override {
        for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) {
            test::writeFile(dir / name, std::string("%PDF-1.4 ") + name);
        }
        fs::create_symlink(dir / "a.pdf", dir / "link.pdf");
        launch();
    }
    void TearDown() override { end(); }

    // A fresh program over the same saved state.
    void launch(const DocumentViewFactory& view = plainView) {
        end();
        manager = std::make_unique<SceneManager>(view, stateFile);
        shell = std::make_unique<Shell>(*manager);
    }
    void end() {
        shell.reset();
        manager.reset();
    }
    // What a later start with these arguments, run in the test folder, hands over.
    bool handOver(const std::vector<std::string>& arguments) {
        const QString here = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.path().string()));
        const std::vector<std::string> files = HandOff::handedFiles(arguments);
        QDir::setCurrent(here);
        return manager->takeHandedFiles(HandOff::handedUrls(files));
    }
    std::string path(const char* name) const { return (dir / name).string(); }
    // The files of the windows kept, in their order.
    Files keptFiles() const {
        Files files;
        for (const SavedScene& saved : readSceneState(stateFile)) {
            files.push_back(saved.activity.userInfo.at(activity::restorationBookmark));
        }
        return files;
    }
    KvScene* window(const std::string& title) const {
        for (Scene* scene : manager->connectedScenes()) {
            if (scene->title() == title) {
                return dynamic_cast<KvScene*>(scene);
            }
        }
        return nullptr;
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> result;
        for (Scene* scene : manager->connectedScenes()) {
            result.push_back(scene->title());
        }
        std::sort(result.begin(), result.end());
        return result;
    }
    // The registered documents of one file, whatever path they were opened by.
    long documentsOf(const char* name) {
        const std::string wanted = fileIdentity(Url::fileURL(dir / name));
        const auto& documents = shell->documentController().documents();
        return std::count_if(documents.begin(), documents.end(), [&](const auto& document) {
            return fileIdentity(document->fileURL()) == wanted;
        });
    }
    static bool becomesActive(QWidget* window) {
        return window &&
               QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
    }
};

// Whether the process catches `signal` (its handler is installed).
bool catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("SigCgt:")) {
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
        }
    }
    return false;
}

TEST_F(SceneManagerTest, ABurstOfSigtermsEndsTheProgramOnceKeepingItsWindow) {
    test::writeFile(dir / "report.pdf", test::wordPages(1, 400, 500));
    fs::create_directory(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", QString::fromStdString((dir / "state").string()));
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir / "runtime").string()));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(FENMOOR_BINARY_DIR "/fenmoor"),
                  {QString::fromStdString(path("report.pdf"))});
    ASSERT_TRUE(program.waitForStarted(30000));
    const pid_t pid = static_cast<pid_t>(program.processId());
    // The handler is installed just before the windows open, and a quit runs in the event loop.
    ASSERT_TRUE(QTest::qWaitFor([pid] { return catches(pid, SIGTERM); }, 60000));
    for (int i = 0; i < 20000; ++i) {
        ::kill(pid, SIGTERM);
    }
    const bool ended = program.waitForFinished(60000);
    if (!ended) {
        program.kill();
        program.waitForFinished(30000);
    }
    ASSERT_TRUE(ended) << "the program hung: " << program.readAll().toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAll().toStdString();
    const std::vector<SavedScene> kept = readSceneState(dir / "state" / "fenmoor" / "scenes.json");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].activity.userInfo.at(activity::restorationBookmark), path("report.pdf"));
}

TEST_F(SceneManagerTest, AFileReachingTheProgramAgainBringsItsOneWindowForward) {
    struct Case {
        const char* road;
        std::string argument;
    };
    const std::vector<Case> cases = {
        {"the same path", path("a.pdf")},
        {"a relative path", "a.pdf"},
        {"a symbolic link", path("link.pdf")},
        {"an address", "harrowcotefenm://" + Url::fileURL(dir / "a.pdf").absoluteString()},
    };
    for (const Case& c : cases) {
        launch();
        manager->start(HandOff::handedUrls({path("a.pdf")}));
        ASSERT_TRUE(handOver({path("b.pdf")}));
        ASSERT_TRUE(becomesActive(window("b.pdf"))) << c.road;
        ASSERT_TRUE(handOver({c.argument}));
        EXPECT_EQ(titles(), (std::vector<std::string>{"a.pdf", "b.pdf"})) << c.road;
        EXPECT_EQ(documentsOf("a.pdf"), 1) << c.road;
        EXPECT_TRUE(becomesActive(window("a.pdf"))) << c.road;
    }
    // A file that does not exist gets a window of its own, once.
    ASSERT_TRUE(handOver({path("gone.pdf")}));
    ASSERT_TRUE(handOver({"gone.pdf"}));
    EXPECT_EQ(titles(), (std::vector<std::string>{"a.pdf", "b.pdf", "gone.pdf"}));
}

TEST_F(SceneManagerTest, ARestoredWindowComesBackInTheFrameItHadAtQuit) {
    manager->start(HandOff::handedUrls({path("a.pdf"), path("b.pdf")}));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window("a.pdf")->setGeometry(screen.x() + 30, screen.y() + 40, 710, 420);
    // Kept on a larger screen, far outside this one.
    window("b.pdf")->setGeometry(screen.right() + 2000, screen.bottom() + 2000, 760, 450);
    QTest::qWait(50);
    const QRect a = window("a.pdf")->geometry();
    manager->quitKeepingSessions();

    launch();
    manager->start({});
    ASSERT_EQ(titles(), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    EXPECT_EQ(window("a.pdf")->geometry(), a);
    const QRect b = window("b.pdf")->frameGeometry();
    EXPECT_EQ(window("b.pdf")->size(), QSize(760, 450));
    EXPECT_TRUE(screen.contains(b.topLeft())) << b.x() << "," << b.y();
}

TEST_F(SceneManagerTest, EachKeptFileComesBackOnceAndAGivenOneIsBroughtForward) {
    const auto kept = [this](const char* session, const char* name) {
        return SavedScene{
            session,
            {activity::documentURL, {{activity::restorationBookmark, (dir / name).string()}}},
            {}};
    };
    ASSERT_TRUE(writeSceneState(
        stateFile, {kept("s1", "a.pdf"), kept("s2", "link.pdf"), kept("s3", "b.pdf")}));
    manager->start(HandOff::handedUrls(HandOff::handedFiles({path("a.pdf")})));
    EXPECT_EQ(titles(), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    EXPECT_EQ(documentsOf("a.pdf"), 1);
    EXPECT_TRUE(becomesActive(window("a.pdf")));
    // Once the program quits it takes no more files: the sender waits for the next program.
    manager->quitKeepingSessions();
    EXPECT_FALSE(handOver({path("c.pdf")}));
    EXPECT_EQ(readSceneState(stateFile).size(), 2u);
}

TEST_F(SceneManagerTest, AStateFileThatCannotBeReadBringsBackNoWindowWhateverItHolds) {
    // Two windows: a value that cannot be read in the second keeps the first from coming back.
    std::vector<SavedScene> kept;
    for (const char* name : {"a.pdf", "b.pdf"}) {
        kept.push_back(
            {name, {activity::documentURL, {{activity::restorationBookmark, path(name)}}}, "f"});
    }
    ASSERT_TRUE(writeSceneState(stateFile, kept));
    const Json readable = Json::parse(test::readFile(stateFile));
    // An object nested 60,000 levels (360 KB), far within the file's bound in size.
    std::string deep;
    for (int level = 0; level < 60000; ++level) {
        deep += "{\"a\":";
    }
    deep += "0" + std::string(60000, '}');
    struct Case {
        const char* at; // the value replaced, as a JSON pointer into the readable file
        std::string by;
    };
    const std::vector<Case> cases = {
        {"", ""}, // the readable file itself: its windows come back
        {"", deep},
        {"/2", deep},
        {"/1/session", deep},
        {"/1/activity", deep},
        {"/1/activity/type", deep},
        {"/1/activity/userInfo", deep},
        {"/1/activity/userInfo/bookmarkdata", deep},
        {"/1/activity/other", deep},
        {"/1/geometry", deep},
        {"/1/other", deep},
        {"", "{}"},
        {"/1", "\"s1\""},
        {"/1/session", "3"},
        {"/1/activity", "[]"},
        {"/1/activity/type", "null"},
        {"/1/activity/userInfo", "\"6162\""},
        {"/1/activity/userInfo", "[\"6162\"]"},
        {"/1/activity/userInfo/bookmarkdata", "true"},
        {"/1/geometry", "7"},
        {"/1/geometry", "\"abc\""},
    };
    for (const Case& c : cases) {
        Json changed = readable;
        std::string text = changed.dump();
        if (!c.by.empty()) {
            changed[Json::json_pointer(c.at)] = "@";
            text = changed.dump();
            text.replace(text.find("\"@\""), 3, c.by);
        }
        const std::string what = std::string(c.at) + " as " + c.by.substr(0, 12);
        test::writeFile(stateFile, text);
        launch();
        manager->start({});
        std::vector<SceneRoot> roots;
        for (Scene* scene : manager->connectedScenes()) {
            roots.push_back(scene->root());
        }
        EXPECT_EQ(roots, c.by.empty() ? std::vector<SceneRoot>(2, SceneRoot::document)
                                      : std::vector<SceneRoot>{SceneRoot::browser})
            << what;
    }
}

TEST_F(SceneManagerTest, OneProgramAtATimeBringsTheKeptWindowsBackAndKeepsThem) {
    // Programs that cannot reach each other (no private folder for the hand-off, or runtime
    // folders of their own) share the kept windows' file.
    const auto titlesOf = [](const SceneManager& program) {
        std::vector<std::string> result;
        for (Scene* scene : program.connectedScenes()) {
            result.push_back(scene->title());
        }
        std::sort(result.begin(), result.end());
        return result;
    };
    const Files ab = {path("a.pdf"), path("b.pdf")};
    manager->start(HandOff::handedUrls(ab));
    manager->quitKeepingSessions();
    // A start killed while it made a folder an earlier version made open to others (0755) the
    // user's alone left the windows in the new folder it was making beside it: they come back,
    // and nothing is left beside it.
    const fs::path cutShort = dir / ".state-Kq7x2Z";
    fs::permissions(stateFile.parent_path(), static_cast<fs::perms>(0755));
    fs::create_directory(cutShort);
    fs::permissions(cutShort, fs::perms::owner_all);
    fs::rename(stateFile, cutShort / stateFile.filename());
    launch();
    manager->start({});
    ASSERT_EQ(titles(), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    EXPECT_FALSE(fs::exists(cutShort));
    EXPECT_EQ(fs::status(stateFile.parent_path()).permissions() & fs::perms::all,
              fs::perms::owner_all);

    // A second program beside the one that brought them back shows only its own file, and its
    // Quit keeps nothing.
    {
        SceneManager beside(plainView, stateFile);
        Shell besideShell(beside);
        beside.start(HandOff::handedUrls({path("c.pdf")}));
        EXPECT_EQ(titlesOf(beside), std::vector<std::string>{"c.pdf"});
        beside.quitKeepingSessions();
        EXPECT_EQ(keptFiles(), ab);
    }
    // Once the first has quit, keeping its windows, a program started meanwhile brings them back.
    manager->quitKeepingSessions();
    EXPECT_EQ(keptFiles(), ab);
    SceneManager next(plainView, stateFile);
    Shell nextShell(next);
    next.start({});
    EXPECT_EQ(titlesOf(next), (std::vector<std::string>{"a.pdf", "b.pdf"}));

    // A state folder of another user's, made first where every user may write (a shared
    // XDG_STATE_HOME), is not the user's: no window comes back from it, none is kept in it, and
    // one line says so.
    const test::TempDir shared(test::TempDir::Reach::everyone);
    fs::permissions(shared.path(), fs::perms::all | fs::perms::sticky_bit);
    const fs::path theirs = shared / "fenmoor" / "scenes.json";
    const std::string planted = test::readFile(stateFile);
    const uid_t self = ::geteuid();
    const std::optional<std::string> made = test::inUnprivilegedChild([&]() -> std::string {
        if (::geteuid() == self) {
            return "the same user";
        }
        if (::mkdir(theirs.parent_path().c_str(), 0777) != 0 ||
            ::chmod(theirs.parent_path().c_str(), 0777) != 0) {
            return std::strerror(errno);
        }
        test::writeFile(theirs, planted);
        return "made";
    });
    if (made != "made") {
        std::cout << "skipped another user's folder: only root may act as another user\n";
        return;
    }
    std::vector<std::string> lines;
    const log::Handler previous =
        log::setHandler([&lines](log::Level, std::string_view text) { lines.emplace_back(text); });
    {
        SceneManager other(plainView, theirs);
        Shell otherShell(other);
        other.start(HandOff::handedUrls({path("c.pdf")}));
        EXPECT_EQ(titlesOf(other), std::vector<std::string>{"c.pdf"});
        other.quitKeepingSessions();
    }
    log::setHandler(previous);
    EXPECT_EQ(test::readFile(theirs), planted);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(theirs.parent_path().string() + ", belongs to another user"),
              std::string::npos)
        << lines[0];
}

// What any local user can take of the mark of the keeper of the windows kept in `folder`: the
// address in the kernel's own namespace named after the user's id and a digest of the folder's
// path, which a keeper once held, bound and listened on by another user (nobody). The socket,
// which stays bound while it is open; -1 when no other user can be had.
int addressTakenByAnotherUser(const fs::path& folder) {
    const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(folder.string()),
                                                       QCryptographicHash::Sha256);
    const std::string name = "fenmoor-kept-windows-" + std::to_string(::geteuid()) + "-" +
                             digest.toHex().left(32).toStdString();
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const uid_t self = ::geteuid();
    const std::optional<std::string> bound = test::inUnprivilegedChild([&]() -> std::string {
        if (::geteuid() == self ||
            ::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
            ::listen(fd, 1) != 0) {
            return std::strerror(errno);
        }
        return "listening";
    });
    if (bound != "listening") {
        ::close(fd);
        return -1;
    }
    return fd;
}

// What another user (nobody) holds of the keeper's, or makes, in TheKeptWindowsHaveOneKeeper….
enum class Stranger {
    none,
    // A lock on the state folder, which an earlier version made open to others (0755).
    locksEarlierFolder,
    // A lock on the user's mark beside the state folder, made open to others (0666).
    locksOpenMark,
    // That mark, made first (0666, 0600) and locked, in a folder every user may write in.
    ownsOpenMark,
    ownsClosedMark,
    // A folder of theirs (0777) in the state folder's place once it was removed, in a folder every
    // user may write in.
    makesFolder,
};

TEST_F(SceneManagerTest, TheKeptWindowsHaveOneKeeperWhenTheirFolderIsMovedWhileItRuns) {
    // A clean-up or a sync of the state folder while the keeper runs puts another folder, or
    // none, at its path; a program started then that cannot reach the keeper finds it there.
    // Another user, who can pass through the home (0755) to the folder holding the state folder,
    // holds a lock on whatever of the keeper's they can open: never taken for a keeper's.
    stateFile = dir / "home" / "state" / "scenes.json";
    const fs::path folder = stateFile.parent_path();
    const fs::path mark = dir / "home" / ".state-keeper.lock";
    const auto unmoved = [] {};
    const auto removed = [&] { fs::remove_all(folder); };
    const auto renamed = [&] {
        fs::rename(folder, dir / "state.old");
        fs::create_directory(folder);
        fs::copy_file(dir / "state.old" / "scenes.json", stateFile);
    };
    const auto linked = [&] {
        fs::create_directory(dir / "synced");
        fs::copy_file(stateFile, dir / "synced" / "scenes.json");
        fs::remove_all(folder);
        fs::create_directory_symlink(dir / "synced", folder);
    };
    const auto parentRenamed = [&] {
        fs::rename(dir / "home", dir / "home.old");
        fs::create_directories(folder);
        fs::copy_file(dir / "home.old" / "state" / "scenes.json", stateFile);
    };
    struct Case {
        const char* what;
        std::function<void()> move;
        // A keeper holds the folder now at the path (one of an earlier version, say).
        bool anotherKeeper;
        // Before the keeper started, another user took the address any user can compute from
        // the user's id and the folder's path, and made the user's temporary folder.
        bool takenByAnotherUser = false;
        // The later start has a temporary folder of its own.
        bool ownTemporaryFolder = false;
        // The later start spells the folder's path through a link (a home reached through one).
        bool throughLink = false;
        // What another user holds from before the first start, or makes once the folder moved.
        Stranger stranger = Stranger::none;
    };
    const std::vector<Case> cases = {
        {"removed", removed, false},
        {"renamed, its file copied into a new one", renamed, false},
        {"replaced by a link", linked, false},
        {"its parent renamed", parentRenamed, false},
        {"removed, another keeper there", removed, true},
        {"renamed, another keeper there", renamed, true},
        {"replaced by a link, another keeper there", linked, true},
        {"renamed, marks taken by another user", renamed, false, true},
        {"renamed, the later start with a temporary folder of its own", renamed, false, false,
         true},
        {"renamed, the later start's path through a link", renamed, false, false, false, true},
        {"not moved, another user holding the folder an earlier version made open to others",
         unmoved, false, false, false, false, Stranger::locksEarlierFolder},
        {"not moved, another user holding a mark of the user's open to others", unmoved, false,
         false, false, false, Stranger::locksOpenMark},
        {"not moved, another user's mark of mode 0666 held in a folder open to all", unmoved, false,
         false, false, false, Stranger::ownsOpenMark},
        {"not moved, another user's mark of mode 0600 held in a folder open to all", unmoved, false,
         false, false, false, Stranger::ownsClosedMark},
        {"removed, another user's folder made in its place in a folder open to all", removed, true,
         false, false, false, Stranger::makesFolder},
    };
    fs::create_directory_symlink(dir.path(), dir / "alias");
    const Files ab = {path("a.pdf"), path("b.pdf")};
    const Files abc = {path("a.pdf"), path("b.pdf"), path("c.pdf")};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* gone : {"home", "home.old", "state.old", "synced"}) {
            fs::remove_all(dir / gone);
        }
        std::optional<test::LocksOfAnotherUser> stranger;
        if (c.stranger != Stranger::none) {
            const auto openToAll = static_cast<fs::perms>(0755);
            fs::permissions(dir.path(), openToAll);
            fs::create_directories(dir / "home");
            fs::permissions(dir / "home",
                            c.stranger == Stranger::locksEarlierFolder ||
                                    c.stranger == Stranger::locksOpenMark
                                ? openToAll
                                // A folder every user may write in, as a shared XDG_STATE_HOME.
                                : fs::perms::all | fs::perms::sticky_bit);
            std::vector<fs::path> held;
            if (c.stranger == Stranger::locksEarlierFolder) {
                fs::create_directory(folder);
                fs::permissions(folder, openToAll);
                held = {folder};
            } else if (c.stranger == Stranger::locksOpenMark) {
                test::writeFile(mark, "");
                fs::permissions(mark, static_cast<fs::perms>(0666));
                held = {mark};
            } else if (c.stranger != Stranger::makesFolder) {
                held = {mark};
            }
            stranger.emplace(held, c.stranger == Stranger::ownsClosedMark ? 0600 : 0666);
            if (!stranger->anotherUser()) {
                std::cout << "skipped: only root may act as another user\n";
                continue;
            }
            ASSERT_EQ(stranger->held(), held);
        }
        launch();
        manager->start(HandOff::handedUrls(ab));
        manager->quitKeepingSessions();
        std::optional<test::TemporaryDirectoryScope> temporary;
        const int taken = c.takenByAnotherUser ? addressTakenByAnotherUser(folder) : -1;
        if (c.takenByAnotherUser) {
            if (taken < 0) {
                continue; // root alone may act as another user
            }
            temporary.emplace(test::TempDir::Reach::everyone);
            const fs::path made = temporary->path() / ("fenmoor-" + std::to_string(::geteuid()));
            fs::create_directory(made);
            ASSERT_EQ(::chown(made.c_str(), 65534, 65534), 0);
        }
        launch();
        manager->start({});
        ASSERT_TRUE(handOver({path("c.pdf")})) << c.what;
        ASSERT_EQ(titles(), (std::vector<std::string>{"a.pdf", "b.pdf", "c.pdf"})) << c.what;

        // The folder and the user's mark are the user's alone, whatever another user holds.
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
        if (c.stranger != Stranger::ownsOpenMark && c.stranger != Stranger::ownsClosedMark) {
            EXPECT_EQ(fs::status(mark).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write);
        }

        c.move();
        const Files there = keptFiles();
        int holder = -1;
        if (c.stranger == Stranger::makesFolder) {
            const std::optional<std::string> made = test::inUnprivilegedChild([&] {
                return ::mkdir(folder.c_str(), 0777) == 0 && ::chmod(folder.c_str(), 0777) == 0
                           ? "made"
                           : std::strerror(errno);
            });
            ASSERT_EQ(made, "made");
        } else if (c.anotherKeeper) {
            // A keeper of this version: its folder is the user's alone.
            fs::create_directories(folder);
            fs::permissions(folder, fs::perms::owner_all);
            holder = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0) << c.what;
        }
        {
            std::optional<test::TemporaryDirectoryScope> laterTemporary;
            if (c.ownTemporaryFolder) {
                laterTemporary.emplace();
            }
            SceneManager later(plainView, c.throughLink
                                              ? dir / "alias" / "home" / "state" / "scenes.json"
                                              : stateFile);
            Shell laterShell(later);
            later.start(HandOff::handedUrls({path("c.pdf")}));
            const std::vector<Scene*> shown = later.connectedScenes();
            EXPECT_TRUE(shown.size() == 1 && shown[0]->title() == "c.pdf") << c.what;

            // With another keeper there, nothing is written over its windows, and one line says so.
            const Files expected = c.anotherKeeper ? there : abc;
            std::vector<std::string> lines;
            const log::Handler previous = log::setHandler(
                [&lines](log::Level, std::string_view text) { lines.emplace_back(text); });
            manager->quitKeepingSessions();
            log::setHandler(previous);
            EXPECT_EQ(keptFiles(), expected) << c.what;
            EXPECT_EQ(lines.size(), c.anotherKeeper ? 1u : 0u) << c.what;
            EXPECT_TRUE(std::all_of(lines.begin(), lines.end(), [&](const std::string& line) {
                return line.find(folder.string()) != std::string::npos;
            })) << c.what;
            later.quitKeepingSessions();
            EXPECT_EQ(keptFiles(), expected) << c.what;
        }
        ::close(holder);
        ::close(taken);
    }
}

TEST_F(SceneManagerTest, QuitEndsTheProgramWhateverSheetIsOpenOverAWindow) {
    // How the quit comes: as SIGTERM's and the menu's, or Ctrl+Q pressed in a window.
    enum class Road { quit, keyInSheet, keyInWindow, keyInOtherWindow };
    struct Case {
        const char* what;
        bool sheet;
        Road road;
    };
    // The program keeps running when its last window closes, and so does the test.
    struct KeepRunning {
        const bool before = QApplication::quitOnLastWindowClosed();
        KeepRunning() { QApplication::setQuitOnLastWindowClosed(false); }
        ~KeepRunning() { QApplication::setQuitOnLastWindowClosed(before); }
    } keepRunning;
    for (const Case& c : {
             Case{"no sheet", false, Road::quit},
             Case{"a sheet that refuses to close, as a running export's", true, Road::quit},
             Case{"Ctrl+Q, no sheet", false, Road::keyInWindow},
             Case{"Ctrl+Q in a sheet that refuses to close", true, Road::keyInSheet},
             Case{"Ctrl+Q in the window under that sheet", true, Road::keyInWindow},
             Case{"Ctrl+Q in another window than the sheet's", true, Road::keyInOtherWindow},
         }) {
        launch();
        const bool two = c.road == Road::keyInOtherWindow;
        manager->start(
            HandOff::handedUrls(two ? Files{path("a.pdf"), path("b.pdf")} : Files{path("a.pdf")}));
        const QPointer<KvScene> scene = window("a.pdf");
        ASSERT_NE(scene, nullptr) << c.what;
        std::vector<QPointer<KvScene>> shown;
        for (Scene* each : manager->connectedScenes()) {
            shown.emplace_back(dynamic_cast<KvScene*>(each));
        }
        ui::FormSheet* sheet = c.sheet ? new ui::FormSheet(scene) : nullptr;
        if (sheet) {
            sheet->open();
        }
        // The window that has the keyboard when the key comes, as the window system makes it
        // active (a window under a sheet too, where no window manager moves the focus on).
        QWidget* front = c.road == Road::keyInSheet         ? static_cast<QWidget*>(sheet)
                         : c.road == Road::keyInOtherWindow ? window("b.pdf")
                                                            : scene.data();
        if (c.road != Road::quit) {
            ASSERT_TRUE(QTest::qWaitForWindowExposed(front)) << c.what;
            front->activateWindow();
            ASSERT_TRUE(becomesActive(front)) << c.what;
        }
        QTimer::singleShot(0, manager.get(), [this, &c, front] {
            if (c.road == Road::quit) {
                manager->quitKeepingSessions();
            } else {
                QTest::keyClick(front->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
            }
        });
        // Ends the loop should the quit not, so that the test fails instead of hanging.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        guard.start(30000);
        EXPECT_EQ(QApplication::exec(), 0) << c.what;
        const Files kept = two ? Files{path("a.pdf"), path("b.pdf")} : Files{path("a.pdf")};
        EXPECT_EQ(keptFiles(), kept) << c.what;
        // Every window closed, so that its work ends before the program does.
        for (const QPointer<KvScene>& each : shown) {
            EXPECT_TRUE(!each || !each->isVisible()) << c.what;
        }
    }
}

TEST_F(SceneManagerTest, WindowsRestoredAtStartBringNoWelcomeTheFirstBrowserStillDoes) {
    const auto kept = [this](const char* session, const char* name) {
        return SavedScene{
            session,
            {activity::documentURL, {{activity::restorationBookmark, (dir / name).string()}}},
            {}};
    };
    ASSERT_TRUE(writeSceneState(stateFile, {kept("s1", "a.pdf"), kept("s2", "b.pdf")}));
    KvAppDelegate& delegate = *shell->appDelegate().documentDelegate;
    delegate.welcomeWhatsNewAlreadyPresented = false;
    delegate.hasWelcomeWhatNewType = true;
    const auto welcomes = [this] {
        const std::vector<Scene*> scenes = manager->connectedScenes();
        return std::count_if(scenes.begin(), scenes.end(),
                             [](Scene* scene) { return scene->root() == SceneRoot::welcome; });
    };
    manager->start({});
    ASSERT_EQ(titles(), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    // A turn queued now runs after the welcome checks the start queued.
    bool turned = false;
    manager->after(0, [&turned] { turned = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return turned; }));
    EXPECT_EQ(welcomes(), 0);
    EXPECT_FALSE(delegate.welcomeWhatsNewAlreadyPresented);
    // The first browser brings it.
    delegate.openBrowser();
    ASSERT_TRUE(QTest::qWaitFor([&] { return welcomes() > 0; }));
    EXPECT_EQ(welcomes(), 1);
}

TEST_F(SceneManagerTest, TheNoticeOfAddressesThatNameNoFileNamesAFewAndStaysOnTheScreen) {
    const std::string web = "harrowcotefenm://http://example.com/";
    std::vector<std::string> many;
    std::vector<std::string> long_;
    for (int i = 0; i < 300; ++i) {
        many.push_back(web + std::to_string(i) + ".pdf");
    }
    for (int i = 0; i < 15; ++i) {
        long_.push_back(web + std::to_string(i) + std::string(120000, 'x') + ".pdf");
    }
    struct Case {
        const char* what;
        std::vector<std::string> addresses;
        std::size_t listed; // then "and N more" when any is left
    };
    const std::vector<Case> cases = {
        {"one", {many[0]}, 1},
        {"five", {many.begin(), many.begin() + 5}, 5},
        {"six", {many.begin(), many.begin() + 6}, 4},
        {"300", many, 4},
        {"15 of 120,000 characters", long_, 4},
        {"markup and a line break", {web + "<b>x</b>.pdf", web + "a\nb.pdf"}, 2},
    };
    const QSize screen = QGuiApplication::primaryScreen()->availableSize();
    for (const Case& c : cases) {
        launch();
        manager->start(HandOff::handedUrls(c.addresses));
        QDialog* notice = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(window);
                dialog && dialog->isVisible() && dialog->accessibleName().contains("name")) {
                notice = dialog;
            }
        }
        ASSERT_NE(notice, nullptr) << c.what;
        const QList<QLabel*> labels = notice->findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 2) << c.what;
        const QStringList lines = labels[1]->text().split('\n');
        const std::size_t more = c.addresses.size() - c.listed;
        ASSERT_EQ(static_cast<std::size_t>(lines.size()), c.listed + (more > 0)) << c.what;
        for (std::size_t i = 0; i < c.listed; ++i) {
            // On one line of its own.
            const QString address =
                QString::fromStdString(c.addresses[i]).replace('\n', QChar::ReplacementCharacter);
            const QString line = lines[static_cast<qsizetype>(i)];
            // Whole when it fits, else its two ends around an ellipsis.
            EXPECT_TRUE(line == address || (line.contains(QChar(0x2026)) &&
                                            address.startsWith(line.section(QChar(0x2026), 0, 0)) &&
                                            address.endsWith(line.section(QChar(0x2026), -1))))
                << c.what << ": " << line.toStdString();
        }
        EXPECT_EQ(labels[1]->textFormat(), Qt::PlainText) << c.what;
        if (more > 0) {
            EXPECT_EQ(lines.back(), QString("and %1 more").arg(more)) << c.what;
        }
        EXPECT_LE(notice->sizeHint().width(), screen.width()) << c.what;
        EXPECT_LE(notice->sizeHint().height(), screen.height()) << c.what;
    }
}

TEST_F(SceneManagerTest, AFileThatFailedToOpenIsNeitherRecentNorRestored) {
    fs::remove(RecentDocuments::defaultFile());
    test::writeFile(dir / "report.pdf", test::wordPages(1, 400, 500));
    test::writeFile(dir / "hostname", "fenmoor-host\n");
    launch(documentWindow);
    manager->start(HandOff::handedUrls({path("report.pdf"), path("hostname")}));
    for (const char* name : {"report.pdf", "hostname"}) {
        auto* main = window(name) ? window(name)->findChild<FelDocumentViewMain*>() : nullptr;
        ASSERT_NE(main, nullptr) << name;
        ASSERT_TRUE(QTest::qWaitFor([main] { return main->isLoaded(); }, 30000)) << name;
    }
    ASSERT_TRUE(window("hostname")->findChild<FelDocumentViewMain*>()->failureLine()->isVisible());
    const RecentDocumentsCache& recents =
        shell->appDelegate().documentDelegate->catalystBugFix->documentRecentMenu->recents;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recents.isBusy(); }, 10000));
    EXPECT_EQ(RecentMenuCatalyst::recentDocumentURLs(), std::vector<fs::path>{dir / "report.pdf"});

    manager->quitKeepingSessions();
    launch(documentWindow);
    manager->start({});
    EXPECT_EQ(titles(), std::vector<std::string>{"report.pdf"});
}

} // namespace
} // namespace fen

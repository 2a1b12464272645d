// The single running program and the hand-over of files to it: where the socket lives, the lock
// that makes one program the running one, waiting for a busy one, and peers of another user; the
// reading of a message however it arrives, the connections dropped, and a socket that goes.
#include "app/HandOff.h"
#include "app/FenmoorApp.h"
#include "app/HandOffMessage.h"
#include "shell/KvAppDelegate.h"
#include "shell/KvScene.h"
#include "shell/SceneState.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable (or unsets it, given none) for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~ScopedVariable() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A peer check that sees every peer as another user.
std::optional<uid_t> anotherUser(int) {
    return ::getuid() + 1;
}

// A peer check whose read of the peer's credentials fails.
std::optional<uid_t> unknownUser(int) {
    return std::nullopt;
}

using Files = std::vector<std::string>;

// Holds the program lock of a folder as a running program does.
class LockHolder {
public:
    explicit LockHolder(const fs::path& folder)
        : fd_(::open((folder / "fenmoor.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0);
    }
    ~LockHolder() { release(); }
    void release() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_;
};

// A later start run on a thread of its own, as a second process would: it blocks until it knows
// its part.
class LaterStart {
public:
    explicit LaterStart(Files files, HandOff::PeerUid peerUid = HandOff::socketPeerUid,
                        int deadlineMs = 10000, HandOffBounds bounds = {})
        : thread_(QThread::create(
              [this, files = std::move(files), peerUid = std::move(peerUid), bounds] {
                  HandOff handOff(peerUid, bounds);
                  role_ = handOff.start(files);
                  const std::optional<fs::path> folder = HandOff::privateFolder();
                  listened_ = folder && fs::is_socket(*folder / "fenmoor.socket");
                  done_ = true;
              })),
          deadlineMs_(deadlineMs) {
        thread_->start();
    }
    ~LaterStart() { thread_->wait(); }
    bool done() const { return done_; }
    // Whether the socket was there once the start knew its part.
    bool listened() const { return listened_; }
    // Waits until the start knows its part without running the test's event loop: the running
    // program of this thread is stopped meanwhile.
    HandOff::Role waitStopped() {
        const QDeadlineTimer deadline(deadlineMs_);
        while (!done_ && !deadline.hasExpired()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!done_) {
            ADD_FAILURE() << "the start did not know its part in time";
            return HandOff::Role::alone;
        }
        thread_->wait();
        return role_;
    }
    // Runs the test's event loop (the running program's) until the start knows its part.
    HandOff::Role waitForRole() {
        if (!QTest::qWaitFor([this] { return done_.load(); }, deadlineMs_)) {
            ADD_FAILURE() << "the start did not know its part in time";
            return HandOff::Role::alone;
        }
        thread_->wait();
        return role_;
    }

private:
    std::atomic<bool> done_ = false;
    bool listened_ = false;
    HandOff::Role role_ = HandOff::Role::alone;
    std::unique_ptr<QThread> thread_;
    int deadlineMs_;
};

// A client of the running program's socket, in the test's own thread.
class Client {
public:
    explicit Client(const fs::path& socket) {
        socket_.connectToServer(QString::fromStdString(socket.string()));
        EXPECT_TRUE(socket_.waitForConnected(5000));
    }
    void write(const std::string& bytes) {
        socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
        socket_.flush();
    }
    bool dropped() const { return socket_.state() == QLocalSocket::UnconnectedState; }
    QByteArray answer() { return socket_.readAll(); }

private:
    QLocalSocket socket_;
};

// The address of a socket's path, for clients made with the system's own calls.
sockaddr_un addressOf(const fs::path& socket) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    EXPECT_LT(socket.string().size(), sizeof address.sun_path);
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    return address;
}

// A socket at `path` that listens and never accepts, as a stopped program's (kill -STOP).
int stoppedListener(const fs::path& path) {
    const int stopped = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(path);
    EXPECT_EQ(::bind(stopped, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(stopped, 8), 0);
    return stopped;
}

// A stray process of the same user: it holds `count` connections to the socket and opens another
// as soon as one is dropped; with `trickle`, it writes a byte on each that often, never a whole
// message.
class StrayPeer {
public:
    StrayPeer(const fs::path& socket, std::size_t count,
              std::optional<std::chrono::milliseconds> trickle)
        : thread_([this, address = addressOf(socket), count, trickle] {
              run(address, count, trickle);
          }) {}
    ~StrayPeer() {
        stop_ = true;
        thread_.join();
    }

private:
    void run(const sockaddr_un& address, std::size_t count,
             std::optional<std::chrono::milliseconds> trickle) {
        std::vector<pollfd> held(count, pollfd{-1, POLLIN | POLLRDHUP, 0});
        auto trickled = std::chrono::steady_clock::now();
        while (!stop_) {
            for (pollfd& connection : held) {
                if (connection.fd < 0) {
                    connection.fd =
                        ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
                    if (::connect(connection.fd, reinterpret_cast<const sockaddr*>(&address),
                                  sizeof address) != 0) {
                        ::close(connection.fd);
                        connection.fd = -1;
                    }
                }
            }
            // The program never writes to a stray: anything to read is its end of the connection.
            ::poll(held.data(), held.size(), 10);
            for (pollfd& connection : held) {
                if (connection.fd >= 0 && connection.revents != 0) {
                    ::close(connection.fd);
                    connection.fd = -1;
                }
            }
            if (trickle && std::chrono::steady_clock::now() - trickled >= *trickle) {
                trickled = std::chrono::steady_clock::now();
                for (const pollfd& connection : held) {
                    ::send(connection.fd, "a", 1, MSG_NOSIGNAL);
                }
            }
        }
        for (const pollfd& connection : held) {
            ::close(connection.fd);
        }
    }

    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

// The device and inode of what a path names, none when nothing is there.
std::optional<std::pair<dev_t, ino_t>> fileIdentity(const fs::path& path) {
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return std::pair{status.st_dev, status.st_ino};
}

TEST(HandOffMessage, AMessageIsReadWholeHoweverItArrivesAndRefusedWhenMalformed) {
    using State = HandOffMessage::State;
    const std::string longest(HandOffMessage::maxFileBytes, 'a');
    std::string most;
    std::string tooMany;
    for (std::size_t i = 0; i < HandOffMessage::maxFiles; ++i) {
        most += "/f";
        most += '\0';
    }
    tooMany = most + "/f" + std::string(1, '\0');
    most += '\0';
    tooMany += '\0';
    const std::string end(1, '\0');
    struct Case {
        const char* what;
        std::vector<std::string> chunks;
        State state;
        Files files;
    };
    const std::vector<Case> cases = {
        {"no files", {end}, State::complete, {}},
        {"two files at once",
         {"/x/a.pdf" + end + "/x/b.pdf" + end + end},
         State::complete,
         {"/x/a.pdf", "/x/b.pdf"}},
        {"split after the first file's end",
         {"/x/a.pdf" + end, "/x/b.pdf" + end + end},
         State::complete,
         {"/x/a.pdf", "/x/b.pdf"}},
        {"split inside a file",
         {"/x/a", ".pdf" + end + "/x/b", ".pdf" + end + end},
         State::complete,
         {"/x/a.pdf", "/x/b.pdf"}},
        {"split between the last two ends",
         {"/x/a.pdf" + end + "/x/b.pdf" + end, "", end},
         State::complete,
         {"/x/a.pdf", "/x/b.pdf"}},
        {"not ended yet", {"/x/a.pdf" + end + "/x/b.pdf" + end}, State::incomplete, {}},
        {"nothing yet", {"", ""}, State::incomplete, {}},
        {"the longest file", {longest + end + end}, State::complete, {longest}},
        {"the most files", {most}, State::complete, Files(HandOffMessage::maxFiles, "/f")},
        {"bytes after the end", {"/x/a.pdf" + end + end + "/x/b.pdf"}, State::malformed, {}},
        {"bytes after the end, later", {"/x/a.pdf" + end + end, "/"}, State::malformed, {}},
        {"a file too long, not ended", {longest, "a"}, State::malformed, {}},
        {"too many files", {tooMany}, State::malformed, {}},
    };
    for (const Case& c : cases) {
        HandOffMessage message;
        for (const std::string& chunk : c.chunks) {
            message.take(chunk);
        }
        EXPECT_EQ(message.state(), c.state) << c.what;
        if (c.state != State::incomplete) {
            EXPECT_EQ(message.files(), c.files) << c.what;
        }
        EXPECT_EQ(message.fault().empty(), c.state != State::malformed) << c.what;
    }

    // Byte by byte, each file is taken once.
    HandOffMessage byBytes;
    for (const char byte : "/x/a.pdf" + end + "/x/b.pdf" + end + end) {
        byBytes.take(std::string_view(&byte, 1));
    }
    EXPECT_EQ(byBytes.state(), State::complete);
    EXPECT_EQ(byBytes.files(), (Files{"/x/a.pdf", "/x/b.pdf"}));

    // What a start sends is read back as it was; files that no message holds are not sent.
    const Files files = {"/x/two\nlines.pdf", "harrowcotefenm://file:///x/b.pdf", longest};
    HandOffMessage roundTrip;
    EXPECT_EQ(roundTrip.take(HandOffMessage::encode(files).value()), State::complete);
    EXPECT_EQ(roundTrip.files(), files);
    EXPECT_EQ(HandOffMessage::encode({}), end);
    EXPECT_EQ(HandOffMessage::encode(Files(HandOffMessage::maxFiles + 1, "/f")), std::nullopt);
    EXPECT_EQ(HandOffMessage::encode({"/x/a.pdf", longest + "a"}), std::nullopt);
    EXPECT_EQ(HandOffMessage::encode({"/x/a.pdf", ""}), std::nullopt);
}

// A receiver of the running program that takes every file handed over into `received`.
auto collecting(Files& received) {
    return [&received](const Files& files) {
        received.insert(received.end(), files.begin(), files.end());
        return true;
    };
}

class HandOffTest : public ::testing::Test {
protected:
    test::TempDir dir{test::TempDir::Reach::sockets};
    ScopedVariable runtime{"XDG_RUNTIME_DIR", (dir / "runtime").string()};

    void SetUp() override { fs::create_directory(dir / "runtime"); }
    fs::path socketPath() const { return dir / "runtime" / "fenmoor.socket"; }
};

TEST_F(HandOffTest, WithoutARuntimeFolderOnlyAPrivateFolderOfTheUserIsTaken) {
    const ScopedVariable noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    const ScopedVariable temporary("TMPDIR", dir.path().string());
    const fs::path folder = dir / ("fenmoor-" + std::to_string(::getuid()));
    struct Case {
        const char* what;
        std::function<void()> prepare;
        bool taken;
        bool needsRoot;
    };
    const std::vector<Case> cases = {
        {"made anew", [] {}, true, false},
        {"pre-made, open to others",
         [&] {
             fs::create_directory(folder);
             ::chmod(folder.c_str(), 0755);
         },
         false, false},
        {"pre-made, open to the group",
         [&] {
             fs::create_directory(folder);
             ::chmod(folder.c_str(), 0770);
         },
         false, false},
        {"pre-made by another user",
         [&] {
             fs::create_directory(folder);
             ::chmod(folder.c_str(), 0700);
             ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
         },
         false, true},
        {"a link to a private folder",
         [&] {
             fs::create_directory(dir / "elsewhere");
             ::chmod((dir / "elsewhere").c_str(), 0700);
             fs::create_symlink(dir / "elsewhere", folder);
         },
         false, false},
        {"a file", [&] { test::writeFile(folder, "x"); }, false, false},
    };
    for (const Case& c : cases) {
        if (c.needsRoot && ::getuid() != 0) {
            continue;
        }
        fs::remove_all(folder);
        c.prepare();
        const std::optional<fs::path> taken = HandOff::privateFolder();
        EXPECT_EQ(taken.has_value(), c.taken) << c.what;
        HandOff handOff;
        EXPECT_EQ(handOff.start({}), c.taken ? HandOff::Role::instance : HandOff::Role::alone)
            << c.what;
        if (c.taken) {
            struct stat status = {};
            ASSERT_EQ(::lstat(folder.c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & 0777, 0700u);
            EXPECT_TRUE(fs::is_socket(folder / "fenmoor.socket"));
        }
    }
    fs::remove_all(folder);
    // The runtime folder, when there is one, is taken as it is.
    const ScopedVariable runtimeAgain("XDG_RUNTIME_DIR", (dir / "runtime").string());
    EXPECT_EQ(HandOff::privateFolder(), dir / "runtime");
}

TEST_F(HandOffTest, ABusyRunningProgramIsWaitedForAndNeverJoined) {
    HandOff running;
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    Files received;
    running.receiver = collecting(received);
    LaterStart later({"/x/a.pdf", "harrowcotefenm://file:///x/b.pdf"});
    // Busy past the five seconds after which a later start used to run a program of its own.
    std::this_thread::sleep_for(std::chrono::milliseconds(5500));
    EXPECT_FALSE(later.done());
    EXPECT_EQ(later.waitForRole(), HandOff::Role::handedOff);
    EXPECT_EQ(received, (Files{"/x/a.pdf", "harrowcotefenm://file:///x/b.pdf"}));
    // The socket is still the running program's: a further start reaches it.
    EXPECT_TRUE(fs::is_socket(socketPath()));
    LaterStart again({"/x/c.pdf"});
    EXPECT_EQ(again.waitForRole(), HandOff::Role::handedOff);
    EXPECT_EQ(received.size(), 3u);
}

TEST_F(HandOffTest, AStartWaitsWhileTheLockIsHeldAndTakesOverOnceItIsFree) {
    // A program that holds the lock but does not listen yet (it is starting, or quitting).
    LockHolder holder(dir / "runtime");
    LaterStart later({"/x/a.pdf"});
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_FALSE(later.done());
    holder.release();
    EXPECT_EQ(later.waitForRole(), HandOff::Role::instance);
    EXPECT_TRUE(later.listened());
}

TEST_F(HandOffTest, ARunningProgramRefusingTheFilesIsWaitedOutNotLost) {
    // A program that is quitting refuses the files; the start then becomes the next program.
    std::optional<HandOff> quitting(std::in_place);
    ASSERT_EQ(quitting->start({}), HandOff::Role::instance);
    int refused = 0;
    quitting->receiver = [&refused](const Files&) {
        ++refused;
        return false;
    };
    LaterStart later({"/x/a.pdf"});
    EXPECT_TRUE(QTest::qWaitFor([&refused] { return refused > 0; }, 5000));
    EXPECT_FALSE(later.done());
    quitting.reset();
    EXPECT_EQ(later.waitForRole(), HandOff::Role::instance);
}

TEST_F(HandOffTest, APeerOfAnotherUserGetsNothing) {
    // A listener on the socket whose user is not ours: the start sends nothing and runs alone.
    LockHolder holder(dir / "runtime");
    QLocalServer listener;
    ASSERT_TRUE(listener.listen(QString::fromStdString(socketPath().string())));
    HandOff start(anotherUser);
    EXPECT_EQ(start.start({"/x/a.pdf"}), HandOff::Role::beside);
    ASSERT_TRUE(listener.waitForNewConnection(1000));
    QLocalSocket* connection = listener.nextPendingConnection();
    ASSERT_NE(connection, nullptr);
    EXPECT_FALSE(connection->waitForReadyRead(300));
    EXPECT_EQ(connection->bytesAvailable(), 0);
    holder.release();
    listener.close();

    // A client of another user reaching the running program, or one whose user cannot be told:
    // no file is taken, no answer given.
    for (const auto& [what, peerUid] : std::vector<std::pair<const char*, HandOff::PeerUid>>{
             {"another user", anotherUser}, {"no credentials", unknownUser}}) {
        HandOff running(peerUid);
        ASSERT_EQ(running.start({}), HandOff::Role::instance) << what;
        bool taken = false;
        running.receiver = [&taken](const Files&) { return taken = true; };
        QLocalSocket client;
        client.connectToServer(QString::fromStdString(socketPath().string()));
        ASSERT_TRUE(client.waitForConnected(1000)) << what;
        client.write(QByteArray("/x/a.pdf\0\0", 10));
        client.flush();
        EXPECT_TRUE(QTest::qWaitFor(
            [&client] { return client.state() == QLocalSocket::UnconnectedState; }, 3000))
            << what;
        EXPECT_FALSE(taken) << what;
        EXPECT_EQ(client.readAll(), QByteArray()) << what;
    }
}

TEST_F(HandOffTest, AnyPathReachesTheRunningProgramByteForByte) {
    HandOff running;
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    Files received;
    running.receiver = [&received](const Files& files) {
        received = files;
        return true;
    };
    // A name with a line break, one that is not UTF-8 (Latin-1 "café"), and one with a carriage
    // return and a tab, among plain ones.
    const Files files = {"/x/two\nlines.pdf", "/x/caf\xe9.pdf", "/x/\r\t.pdf", "/x/plain.pdf",
                         "harrowcotefenm://file:///x/b.pdf"};
    LaterStart later(files);
    EXPECT_EQ(later.waitForRole(), HandOff::Role::handedOff);
    EXPECT_EQ(received, files);
    const std::vector<Url> urls = HandOff::handedUrls(received);
    ASSERT_EQ(urls.size(), files.size());
    EXPECT_EQ(urls[0].path(), fs::path("/x/two\nlines.pdf"));
    EXPECT_EQ(urls[1].path(), fs::path("/x/caf\xe9.pdf"));
}

// The files of the windows kept in `file`.
Files keptFiles(const fs::path& file) {
    Files files;
    for (const SavedScene& saved : readSceneState(file)) {
        files.push_back(saved.activity.userInfo.at(activity::restorationBookmark));
    }
    return files;
}

TEST_F(HandOffTest, AStartThatCannotHandOffOpensOnlyItsOwnFilesAndLeavesTheKeptWindows) {
    using namespace std::chrono_literals;
    const ScopedVariable state("XDG_STATE_HOME", (dir / "state").string());
    const fs::path stateFile = dir / "state" / "fenmoor" / "scenes.json";
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) {
        test::writeFile(dir / name, "%PDF-1.4");
    }
    // The windows the running program kept at its last quit.
    std::vector<SavedScene> kept;
    for (const char* name : {"a.pdf", "b.pdf"}) {
        kept.push_back(
            {name,
             {activity::documentURL, {{activity::restorationBookmark, (dir / name).string()}}},
             {}});
    }
    struct Case {
        const char* what;
        bool anotherUsersSocket; // else a program stopped (kill -STOP): it never accepts
        bool closingTheWindows;  // else Quit as the user does, keeping the windows
    };
    const std::vector<Case> cases = {
        {"another user's socket, then Quit", true, false},
        {"a stopped program, then Quit", false, false},
        {"a stopped program, then its windows closed", false, true},
    };
    const auto plainView = [](std::weak_ptr<KvDocument>, QWidget* parent) {
        return new QWidget(parent);
    };
    LockHolder holder(dir / "runtime");
    for (const Case& c : cases) {
        ASSERT_TRUE(writeSceneState(stateFile, kept));
        fs::remove(socketPath());
        QLocalServer listener;
        const int stopped = c.anotherUsersSocket ? -1 : stoppedListener(socketPath());
        if (c.anotherUsersSocket) {
            ASSERT_TRUE(listener.listen(QString::fromStdString(socketPath().string())));
        }
        QStringList shown;
        QTimer::singleShot(0, [&shown, &c] {
            QList<KvScene*> scenes;
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* scene = qobject_cast<KvScene*>(window); scene && scene->isVisible()) {
                    shown << scene->windowTitle();
                    scenes << scene;
                }
            }
            if (c.closingTheWindows) {
                for (KvScene* scene : scenes) {
                    scene->close();
                }
                return;
            }
            for (QWidget* window : QApplication::topLevelWidgets()) {
                for (QAction* action : window->actions()) {
                    if (action->text() == QLatin1String("Quit")) {
                        action->trigger();
                        return;
                    }
                }
            }
            QCoreApplication::quit();
        });
        EXPECT_EQ(runFenmoor({(dir / "c.pdf").string()}, plainView,
                             c.anotherUsersSocket ? anotherUser : HandOff::socketPeerUid,
                             {.handOff = 1s}),
                  0)
            << c.what;
        ::close(stopped);
        EXPECT_EQ(shown, QStringList{"c.pdf"}) << c.what;
        EXPECT_EQ(keptFiles(stateFile), (Files{(dir / "a.pdf").string(), (dir / "b.pdf").string()}))
            << c.what;
        if (c.anotherUsersSocket) {
            // Nothing was sent to it.
            ASSERT_TRUE(listener.hasPendingConnections() || listener.waitForNewConnection(1000));
            QLocalSocket* connection = listener.nextPendingConnection();
            ASSERT_NE(connection, nullptr);
            EXPECT_EQ(connection->bytesAvailable(), 0);
        }
    }
}

TEST_F(HandOffTest, AMessageWhoseSenderHasGoneIsNotActedOn) {
    using namespace std::chrono_literals;
    HandOff running;
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    Files received;
    running.receiver = collecting(received);
    const std::string message("/x/gone.pdf\0\0", 13);
    // Each while this program is stopped: the test's event loop does not run.
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"a start that gave up waiting",
         [] {
             LaterStart later({"/x/gone.pdf"}, HandOff::socketPeerUid, 30000, {.handOff = 1s});
             EXPECT_EQ(later.waitStopped(), HandOff::Role::beside);
         }},
        {"a peer that closed before its answer",
         [&] {
             const int peer = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
             const sockaddr_un address = addressOf(socketPath());
             ASSERT_EQ(::connect(peer, reinterpret_cast<const sockaddr*>(&address), sizeof address),
                       0);
             ASSERT_EQ(::write(peer, message.data(), message.size()),
                       static_cast<ssize_t>(message.size()));
             ::close(peer);
         }},
    };
    for (const auto& [what, leave] : cases) {
        leave();
        // A sender that stays comes after it: once both are gone, each was read.
        {
            Client next(socketPath());
            next.write(std::string("/x/next.pdf\0\0", 13));
            EXPECT_TRUE(QTest::qWaitFor([&next] { return next.answer() == "ok\n"; }, 10000))
                << what;
        }
        EXPECT_TRUE(QTest::qWaitFor(
            [&running] { return running.findChildren<QLocalSocket*>().isEmpty(); }, 10000))
            << what;
        EXPECT_EQ(received, Files{"/x/next.pdf"}) << what;
        received.clear();
    }
}

TEST_F(HandOffTest, FilesTakenAsTheLaterStartsBoundEndsOpenInTheRunningProgramAlone) {
    // A running program that goes on (it was stopped, or busy) just before a later start's bound
    // ends, and reads the message then, may open the files past that bound: the start waits for
    // its answer instead of opening them too.
    using namespace std::chrono_literals;
    HandOff running;
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    constexpr auto bound = 3s;
    const std::vector<std::pair<const char*, std::chrono::milliseconds>> cases = {
        {"opened at once", 0ms},
        {"opened past the start's bound", bound + 300ms},
    };
    for (const auto& [what, opening] : cases) {
        Files received;
        LaterStart later({"/x/a.pdf"}, HandOff::socketPeerUid, 30000, {.handOff = bound});
        const QDeadlineTimer opened(opening);
        running.receiver = [&received, &opened](const Files& files) {
            while (!opened.hasExpired()) {
                std::this_thread::sleep_for(10ms);
            }
            received.insert(received.end(), files.begin(), files.end());
            return true;
        };
        EXPECT_EQ(later.waitForRole(), HandOff::Role::handedOff) << what;
        EXPECT_EQ(received, Files{"/x/a.pdf"}) << what;
    }
}

TEST_F(HandOffTest, StrayConnectionsReopenedAtOnceLeaveALaterStartTakenWithinTheIdleBound) {
    using namespace std::chrono_literals;
    const HandOffBounds bounds;
    HandOff running(HandOff::socketPeerUid, bounds);
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    Files received;
    running.receiver = collecting(received);
    const auto held = [&running] {
        return static_cast<std::size_t>(running.findChildren<QLocalSocket*>().size());
    };
    const std::vector<std::pair<const char*, std::optional<std::chrono::milliseconds>>> cases = {
        {"idle", std::nullopt},
        {"a byte every half the idle bound", bounds.idle / 2},
    };
    for (const auto& [what, trickle] : cases) {
        received.clear();
        StrayPeer stray(socketPath(), bounds.connections, trickle);
        ASSERT_TRUE(QTest::qWaitFor([&] { return held() >= bounds.connections; }, 30000)) << what;
        LaterStart later({"/x/a.pdf"}, HandOff::socketPeerUid, 60000, {.handOff = bounds.idle});
        EXPECT_EQ(later.waitForRole(), HandOff::Role::handedOff) << what;
        EXPECT_EQ(received, Files{"/x/a.pdf"}) << what;
    }
}

TEST_F(HandOffTest, DroppedConnectionsAreToldInAFewLinesWithTheirCount) {
    struct Case {
        const char* what;
        HandOff::PeerUid peerUid;
        std::string bytes;
        const char* told;
    };
    const std::vector<Case> cases = {
        {"malformed messages", HandOff::socketPeerUid, std::string("/x/a.pdf\0\0/x", 12),
         "dropped a hand-off message: bytes after the end"},
        {"another user's", anotherUser, std::string("/x/a.pdf\0\0", 10),
         "refused a hand-off from another user"},
    };
    constexpr std::size_t count = 200;
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        {
            HandOff running(c.peerUid);
            ASSERT_EQ(running.start({}), HandOff::Role::instance);
            running.receiver = [](const Files&) { return true; };
            for (std::size_t i = 0; i < count; ++i) {
                Client client(socketPath());
                client.write(c.bytes);
                ASSERT_TRUE(QTest::qWaitFor([&client] { return client.dropped(); }, 10000))
                    << c.what;
            }
        }
        const std::string told = testing::internal::GetCapturedStderr();
        std::vector<std::string> lines;
        std::istringstream stream(told);
        for (std::string line; std::getline(stream, line);) {
            lines.push_back(line);
        }
        // One at once, then those counted, told at most once a minute and at the end.
        ASSERT_FALSE(lines.empty()) << c.what;
        EXPECT_LE(lines.size(), 3u) << c.what << told;
        EXPECT_NE(lines.front().find(c.told), std::string::npos) << c.what << told;
        // "fenmoor: 199 more …" counts 199; a line without a count, one.
        std::size_t counted = 0;
        for (const std::string& line : lines) {
            const std::size_t more = std::strtoul(line.c_str() + line.find(' ') + 1, nullptr, 10);
            counted += more > 0 ? more : 1;
        }
        EXPECT_EQ(counted, count) << c.what << told;
    }
}

TEST_F(HandOffTest, AMessageInTwoWritesHandsEachFileOnce) {
    HandOff running;
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    std::vector<Files> received;
    running.receiver = [&received](const Files& files) {
        received.push_back(files);
        return true;
    };
    Client client(socketPath());
    // The program's end of the connection, to know when it has read the first write.
    QLocalSocket* connection = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (connection = running.findChild<QLocalSocket*>()) != nullptr; }, 10000));
    int reads = 0;
    QObject::connect(connection, &QLocalSocket::readyRead, [&reads] { ++reads; });
    client.write(std::string("/x/a.pdf\0", 9));
    ASSERT_TRUE(QTest::qWaitFor([&reads] { return reads > 0; }, 10000));
    EXPECT_TRUE(received.empty());
    client.write(std::string("/x/b.pdf\0\0", 10));
    ASSERT_TRUE(QTest::qWaitFor([&client] { return client.answer() == "ok\n"; }, 10000));
    EXPECT_EQ(received, (std::vector<Files>{{"/x/a.pdf", "/x/b.pdf"}}));
}

TEST_F(HandOffTest, AnIdleOrMalformedConnectionIsDroppedWithNothingTaken) {
    HandOff running;
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    Files received;
    running.receiver = collecting(received);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"nothing sent", ""},
        {"a message not ended", std::string("/x/a.pdf\0", 9)},
        {"bytes after the end", std::string("/x/a.pdf\0\0/x/b.pdf\0\0", 20)},
        {"a file too long", std::string(HandOffMessage::maxFileBytes + 1, 'a')},
    };
    std::vector<std::unique_ptr<Client>> clients;
    for (const auto& [what, bytes] : cases) {
        clients.push_back(std::make_unique<Client>(socketPath()));
        clients.back()->write(bytes);
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return clients[i]->dropped(); }, 30000))
            << cases[i].first;
        EXPECT_EQ(clients[i]->answer(), QByteArray()) << cases[i].first;
    }
    EXPECT_TRUE(received.empty());
    // The program still takes what comes next.
    LaterStart later({"/x/c.pdf"});
    EXPECT_EQ(later.waitForRole(), HandOff::Role::handedOff);
    EXPECT_EQ(received, Files{"/x/c.pdf"});
}

TEST_F(HandOffTest, TheRunningProgramListensAgainOnceItsSocketIsGoneOrClosed) {
    HandOff running;
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    Files received;
    running.receiver = collecting(received);
    QLocalServer stranger;
    const QString name = QString::fromStdString(socketPath().string());
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"socket removed", [&] { fs::remove(socketPath()); }},
        {"a file in its place",
         [&] {
             fs::remove(socketPath());
             test::writeFile(socketPath(), "x");
         }},
        {"another socket in its place",
         [&] {
             fs::remove(socketPath());
             ASSERT_TRUE(stranger.listen(name));
         }},
        // As its server closes when accepting fails (no descriptor left).
        {"server closed", [&] { running.findChild<QLocalServer*>()->close(); }},
    };
    for (const auto& [what, damage] : cases) {
        damage();
        // A socket still there (another program's) must give way to a new one; a path with no
        // socket only needs one. (A new socket may take the inode of a file just removed.)
        const bool socketThere = fs::is_socket(socketPath());
        const auto damaged = fileIdentity(socketPath());
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return fs::is_socket(socketPath()) &&
                       (!socketThere || fileIdentity(socketPath()) != damaged);
            },
            30000))
            << what;
        stranger.close();
        LaterStart later({"/x/a.pdf"});
        EXPECT_EQ(later.waitForRole(), HandOff::Role::handedOff) << what;
        EXPECT_EQ(received, Files{"/x/a.pdf"}) << what;
        received.clear();
    }
}

TEST_F(HandOffTest, AStartThatCannotReachTheLockHolderGivesUpInOneLine) {
    // The holder of the lock has no socket, as after a clean-up took it.
    LockHolder holder(dir / "runtime");
    testing::internal::CaptureStderr();
    LaterStart later({"/x/a.pdf"}, HandOff::socketPeerUid, 60000);
    const HandOff::Role role = later.waitForRole();
    const std::string told = testing::internal::GetCapturedStderr();
    holder.release();
    EXPECT_EQ(role, HandOff::Role::beside);
    EXPECT_FALSE(later.listened());
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
    EXPECT_NE(told.find("did not answer"), std::string::npos) << told;
}

TEST_F(HandOffTest, AFloodPastTheDescriptorLimitLeavesTheProgramWhole) {
    using namespace std::chrono_literals;
    const HandOffBounds bounds = {.idle = 2000ms};
    HandOff running(HandOff::socketPeerUid, bounds);
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    Files received;
    running.receiver = collecting(received);
    const sockaddr_un address = addressOf(socketPath());
    const auto held = [&running] {
        return static_cast<std::size_t>(running.findChildren<QLocalSocket*>().size());
    };
    rlimit old = {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    // Left idle until the program drops them, or closed together by the peer.
    for (const bool closedByPeer : {false, true}) {
        // The clients' descriptors are made first; the limit then leaves the program more than it
        // holds connections, fewer than the clients.
        std::vector<int> clients(400);
        for (int& client : clients) {
            client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ASSERT_GE(client, 0);
        }
        rlimit low = old;
        low.rlim_cur = static_cast<rlim_t>(std::distance(fs::directory_iterator("/proc/self/fd"),
                                                         fs::directory_iterator())) +
                       bounds.connections + 32;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
        // A full backlog is tried again; a server gone for want of descriptors ends the flood.
        const QDeadlineTimer deadline(5000);
        bool listening = true;
        for (auto client = clients.begin(); listening && client != clients.end(); ++client) {
            while (::connect(*client, reinterpret_cast<const sockaddr*>(&address),
                             sizeof address) != 0) {
                if (errno != EAGAIN || deadline.hasExpired()) {
                    listening = false;
                    break;
                }
                QTest::qWait(1);
            }
        }
        // While the flood is held, the program still has descriptors for its own files.
        EXPECT_TRUE(QTest::qWaitFor([&] { return held() >= bounds.connections; }, 10000));
        QTest::qWait(100);
        const int own = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        EXPECT_GE(own, 0) << closedByPeer;
        ::close(own);
        if (closedByPeer) {
            for (const int client : clients) {
                ::close(client);
            }
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return held() == 0; }, 60000)) << closedByPeer;
        for (const int client : clients) {
            if (!closedByPeer) {
                ::close(client);
            }
        }
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &old), 0);
    }
    LaterStart later({"/x/a.pdf"}, HandOff::socketPeerUid, 30000);
    EXPECT_EQ(later.waitForRole(), HandOff::Role::handedOff);
    EXPECT_EQ(received, Files{"/x/a.pdf"});
}

TEST_F(HandOffTest, AStartWhoseRunningProgramNeverAnswersGivesUpWithinTheBoundInOneLine) {
    using namespace std::chrono_literals;
    LockHolder holder(dir / "runtime");
    // A program stopped (kill -STOP) never accepts; a hung one has accepted, and never answers.
    const std::vector<std::pair<const char*, bool>> cases = {{"never accepts", false},
                                                             {"accepts, never answers", true}};
    for (const auto& [what, accepts] : cases) {
        fs::remove(socketPath());
        QLocalServer hung;
        const int stopped = accepts ? -1 : stoppedListener(socketPath());
        if (accepts) {
            ASSERT_TRUE(hung.listen(QString::fromStdString(socketPath().string()))) << what;
        }
        testing::internal::CaptureStderr();
        LaterStart later({"/x/a.pdf"}, HandOff::socketPeerUid, 60000, {.handOff = 1s});
        const HandOff::Role role = later.waitForRole();
        const std::string told = testing::internal::GetCapturedStderr();
        ::close(stopped);
        // Its connections with it: a sender still waiting then ends.
        hung.close();
        EXPECT_EQ(role, HandOff::Role::beside) << what;
        EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << what << told;
        EXPECT_NE(told.find("did not answer"), std::string::npos) << what << told;
    }
}

TEST_F(HandOffTest, AMessageIsBoundInTimeAndSoIsTheNumberOfConnections) {
    using namespace std::chrono_literals;
    HandOff running(HandOff::socketPeerUid, {.idle = 1500ms, .message = 10000ms, .connections = 3});
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    std::vector<Files> received;
    running.receiver = [&received](const Files& files) {
        received.push_back(files);
        return true;
    };
    Client silent(socketPath());
    Client slow(socketPath());
    Client trickle(socketPath());
    // One beyond the number held at once makes room: the oldest that has not sent a whole message
    // goes, and the newcomer's message is taken.
    Client beyond(socketPath());
    beyond.write(std::string("/x/beyond.pdf\0\0", 15));
    // Each byte well within the idle bound, all of them past it, is a message taken; a byte as
    // often, never the end, is a peer that trickles, dropped once the message's bound is past.
    for (const char byte : std::string("/x/a.pdf\0\0", 10)) {
        slow.write(std::string(1, byte));
        trickle.write("a");
        QTest::qWait(300);
    }
    EXPECT_TRUE(QTest::qWaitFor([&slow] { return slow.answer() == "ok\n"; }, 10000));
    EXPECT_EQ(beyond.answer(), "ok\n");
    EXPECT_TRUE(silent.dropped());
    const QDeadlineTimer deadline(60000);
    while (!trickle.dropped() && !deadline.hasExpired()) {
        trickle.write("a");
        QTest::qWait(300);
    }
    EXPECT_TRUE(trickle.dropped());
    EXPECT_EQ(received, (std::vector<Files>{{"/x/beyond.pdf"}, {"/x/a.pdf"}}));
}

TEST_F(HandOffTest, AnAddressThatNamesNoFileIsRefusedByTheStartThatHasIt) {
    using namespace std::chrono_literals;
    HandOff running;
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    Files received;
    running.receiver = collecting(received);
    const auto plainView = [](std::weak_ptr<KvDocument>, QWidget* parent) {
        return new QWidget(parent);
    };
    const Files malformed = {"harrowcotefenm://http://example.com/x.pdf",
                             "harrowcotefenm://",
                             "harrowcotefenm://file://",
                             "harrowcotefenm://file://host/x.pdf",
                             "harrowcotefenm://x.pdf",
                             "harrowcotefenm://file:x.pdf",
                             "http://example.com/x.pdf",
                             "://x.pdf"};
    struct Case {
        Files arguments;
        int exit;
        std::size_t lines; // one per address named, then one that counts the rest when any is left
        Files taken;
        std::size_t more = 0;
    };
    std::vector<Case> cases;
    for (const std::string& address : malformed) {
        cases.push_back({{address}, 1, 1, {}});
    }
    cases.push_back({{malformed[0], "/x/a.pdf", malformed[1]}, 1, 2, {"/x/a.pdf"}});
    cases.push_back(
        {{"harrowcotefenm://file:///x/b.pdf"}, 0, 0, {"harrowcotefenm://file:///x/b.pdf"}});
    // Many long addresses are told as the window's notice lists them: a few, each cut to its
    // ends, and the rest counted.
    Files long_;
    for (int i = 0; i < 15; ++i) {
        long_.push_back(malformed[0] + std::to_string(i) + std::string(120000, 'x') + ".pdf");
    }
    cases.push_back({long_, 1, 4, {}, 11});
    for (const Case& c : cases) {
        // The start of the first argument, and of what is told, to name them in a failure.
        const std::string what = c.arguments.front().substr(0, 100);
        received.clear();
        testing::internal::CaptureStderr();
        // A second start, as another process would run it, while this thread answers.
        std::future<int> start =
            std::async(std::launch::async, [&] { return runFenmoor(c.arguments, plainView); });
        ASSERT_TRUE(QTest::qWaitFor(
            [&start] { return start.wait_for(0s) == std::future_status::ready; }, 30000))
            << what;
        const std::string told = testing::internal::GetCapturedStderr();
        const std::string shown = told.substr(0, 4096);
        EXPECT_EQ(start.get(), c.exit) << what;
        EXPECT_LT(told.size(), 4096u) << what;
        const std::size_t count = c.lines + (c.more > 0 ? 1 : 0);
        EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), count) << what << shown;
        EXPECT_EQ(test::occurrences(told, "names no file"), c.lines) << what << shown;
        if (c.more > 0) {
            EXPECT_NE(
                told.find("fenmoor: " + std::to_string(c.more) + " more addresses name no file\n"),
                std::string::npos)
                << what << shown;
        }
        EXPECT_EQ(received, c.taken) << what;
    }

    // A first start tells them in one alert, and opens no window for them.
    running.release();
    const ScopedVariable state("XDG_STATE_HOME", (dir / "state").string());
    QStringList alerts;
    int documents = 0;
    QTimer::singleShot(0, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* scene = qobject_cast<KvScene*>(window); scene && scene->isVisible()) {
                documents += scene->root() == SceneRoot::document;
            } else if (qobject_cast<QDialog*>(window) && window->isVisible()) {
                alerts << window->accessibleName();
            }
        }
        QCoreApplication::quit();
    });
    EXPECT_EQ(runFenmoor({malformed[0], malformed[1]}, plainView), 0);
    EXPECT_EQ(alerts, QStringList{"2 addresses name no file"});
    EXPECT_EQ(documents, 0);
}

TEST_F(HandOffTest, AReleasedProgramLetsALaterStartTakeOverAtOnce) {
    HandOff running;
    ASSERT_EQ(running.start({}), HandOff::Role::instance);
    running.receiver = [](const Files&) { return true; };
    running.release();
    LaterStart later({"/x/a.pdf"});
    EXPECT_EQ(later.waitForRole(), HandOff::Role::instance);
    EXPECT_TRUE(later.listened());
}

TEST_F(HandOffTest, AStartSendsPathsMadeAbsoluteAndAddressesAsTheyStand) {
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.path().string())));
    const Files handed = HandOff::handedFiles({"a.pdf", "sub/../b.pdf", "/abs/c.pdf",
                                               "harrowcotefenm://x", "two\nlines.pdf", "\xff.pdf"});
    QDir::setCurrent(here);
    const std::string base = dir.path().string();
    EXPECT_EQ(handed, (Files{base + "/a.pdf", base + "/b.pdf", "/abs/c.pdf", "harrowcotefenm://x",
                             base + "/two\nlines.pdf", base + "/\xff.pdf"}));
    const std::vector<Url> urls = HandOff::handedUrls({"/abs/c.pdf", "harrowcotefenm://x", "junk"});
    ASSERT_EQ(urls.size(), 2u);
    EXPECT_EQ(urls[0], Url::fileURL("/abs/c.pdf"));
    EXPECT_EQ(urls[1].absoluteString(), "harrowcotefenm://x");
}

} // namespace
} // namespace fen

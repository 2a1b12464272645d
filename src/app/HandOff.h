#pragma once

#include "app/HandOffMessage.h"
#include "platform/foundation/Url.h"

#include <QObject>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

class QDeadlineTimer;
class QLocalServer;
class QLocalSocket;
class QTimer;

namespace fen {

// The bounds of the hand-off: what a later start waits for, and what the running program keeps
// of the connections that reach it.
struct HandOffBounds {
    // A later start's whole hand-off: connecting, writing and the answer together.
    std::chrono::milliseconds handOff{20000};
    // How long a later start tries to connect while the lock stays held: the holder listens right
    // after it takes the lock, and listens again within a second or two when its socket goes.
    std::chrono::milliseconds unreachable{5000};
    // How long a later start still waits for the answer once the hand-off's bound has passed,
    // when the running program had read its whole message by then: it may be opening the files.
    std::chrono::milliseconds answer{5000};
    // How long a connection may send nothing before it is dropped.
    std::chrono::milliseconds idle{3000};
    // How long a connection may take over its message, from its first byte.
    std::chrono::milliseconds message{10000};
    // The most connections held at once, so that the program keeps descriptors for its own files.
    // One beyond drops the oldest that has not sent a whole message (else the oldest answered):
    // a peer that holds them all and reopens each one dropped cannot keep a sender out.
    std::size_t connections = 64;
    // How often a kind of dropped connection (a malformed message, another user) is told at most:
    // the first at once, those after it counted and told in one line once this has passed.
    std::chrono::milliseconds toldEvery{60000};
};

// The one running fenmoor of a user, and the hand-over of files to it from later starts. The
// program that holds the lock (a file beside the socket, locked for the process's life) is the
// running one and alone listens on the socket; while it holds the lock it listens again whenever
// its server fails or the socket's path no longer names its socket (removed by a clean-up, or
// closed when its descriptors ran out). A later start that cannot take the lock sends its files
// (a `HandOffMessage`) and waits for "ok"; when the running program does not take them within
// the hand-off's bound (or, when it had read them by then, within the answer's bound after it),
// or cannot be connected to for a few seconds while the lock stays held, the start says so in one
// line and opens its files in a program of its own, which does not listen: the socket stays the
// lock holder's. A connection that sends a malformed message, sends
// nothing for a few seconds, or takes too long over its message is dropped, and so is a message
// whose sender has gone before its answer: that sender opens its files itself. Both live in a
// private folder of the user: $XDG_RUNTIME_DIR, else a folder of the temporary folder made for
// the user alone. Each side refuses a peer of another user.
class HandOff : public QObject {
    Q_OBJECT
public:
    // The user at the other end of a connected local socket; none when it cannot be told.
    using PeerUid = std::function<std::optional<uid_t>(int socket)>;
    static std::optional<uid_t> socketPeerUid(int socket);

    // This start's part: the running program's (it listens), a start whose files a running
    // program took, a program of its own that nothing can reach while no other runs (no private
    // folder or lock, or a lock holder that cannot listen), or a program of its own beside a
    // running one that did not take the files, which must leave that one's kept windows alone.
    enum class Role { instance, handedOff, alone, beside };

    explicit HandOff(PeerUid peerUid = socketPeerUid, HandOffBounds bounds = {},
                     QObject* parent = nullptr);
    ~HandOff() override;

    // The folder of the socket and its lock. $XDG_RUNTIME_DIR when set; else fenmoor-UID in the
    // temporary folder, made with mode 0700 and taken only when it is a real folder of this user
    // that no one else may enter; otherwise none, after one line on standard error.
    static std::optional<std::filesystem::path> privateFolder();

    // Becomes the running program (takes the lock and listens) or hands `files` to it. A lock or
    // socket that cannot be made or no private folder leaves this start alone; a running program
    // that does not answer or whose socket is another user's, or files that no message holds,
    // leave it beside that program: it then opens its files itself. With `handOver` false (the
    // start has nothing to hand: each of its arguments was refused) a program that runs is not
    // reached; the start is then handedOff.
    Role start(const std::vector<std::string>& files, bool handOver = true);

    // Ends the running program's part before the process ends: stops listening and frees the
    // lock, so that a later start becomes the running program at once instead of waiting for
    // this one to go.
    void release();

    // The running program's reception of handed files; false refuses them (the sender then waits
    // for the next program). Unset, nothing is taken.
    std::function<bool(const std::vector<std::string>&)> receiver;

    // What a start sends for its command line (the bytes of its arguments, never decoded): an
    // address as it stands, a path made absolute against the start's own folder.
    static std::vector<std::string> handedFiles(const std::vector<std::string>& arguments);
    // The files of a message as the shell takes them.
    static std::vector<Url> handedUrls(const std::vector<std::string>& files);
    // Whether a handed file names a file: a path, or an address that carries a file's
    // ("harrowcotefenm://file:///a.pdf"); "harrowcotefenm://http://example.com/x.pdf" does not.
    static bool namesFile(const std::string& file);

private:
    // How a send ended: taken; the peer is another user; the running program was reached but
    // did not take the files (it refused them or went); no running program could be reached;
    // the hand-off's bound passed first.
    enum class Sent { taken, refused, lost, unreachable, unanswered };
    // What the running program holds of one connection; `order` counts the connections taken.
    struct Connection {
        HandOffMessage message;
        QTimer* idle = nullptr;
        QTimer* whole = nullptr;
        std::uint64_t order = 0;
    };
    // One line on standard error for a kind of dropped connection, however many come: the first
    // is told at once, and those that follow within the bound are counted and told together.
    class DropLine;
    bool listen();
    // Holds a connection that reached the server, or drops it at once (another user); when that
    // makes one too many, another goes (HandOffBounds::connections).
    void take(QLocalSocket* socket);
    // The held connection to drop for a new one: the oldest that has not sent a whole message,
    // else the oldest.
    QLocalSocket* oldestToDrop(const QLocalSocket* newcomer) const;
    // The one road by which a held connection goes: nothing of it reaches this object after, and
    // the socket, its timers with it, is deleted once its own signal (if any) has returned.
    void drop(QLocalSocket* socket);
    // Makes the socket anew at its path; the path's file is then this program's socket.
    bool bindSocket();
    bool stillListening() const;
    Sent send(const std::string& message, const QDeadlineTimer& deadline);
    // How a send ends whose bound passed before its answer came. The sender leaves first, so
    // that a running program that has not yet taken the message never will; one that took it
    // before is waited for (HandOffBounds::answer), so that the files never open in both.
    Sent afterTheBound(QLocalSocket& socket, QByteArray& reply);
    void receive(QLocalSocket* socket);

    PeerUid peerUid_;
    HandOffBounds bounds_;
    std::map<QLocalSocket*, Connection> connections_;
    std::filesystem::path socketPath_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
    // The socket file this program made, to tell when its path names something else.
    dev_t socketDevice_ = 0;
    ino_t socketInode_ = 0;
    // Checks now and then that the socket is still this program's.
    QTimer* watch_ = nullptr;
    bool toldListenFailure_ = false;
    std::uint64_t taken_ = 0;
    std::unique_ptr<DropLine> malformedLine_;
    std::unique_ptr<DropLine> strangerLine_;
};

} // namespace fen

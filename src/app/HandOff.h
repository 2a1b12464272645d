#pragma once

#include "platform/foundation/Url.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace fen {

// The one running fenmoor of a user, and the hand-over of files to it from later starts. The
// program that holds the lock (a file beside the socket, locked for the process's life) is the
// running one and alone listens on the socket; while it holds the lock it listens again whenever
// its server fails or the socket's path no longer names its socket (removed by a clean-up, or
// closed when its descriptors ran out). A later start that cannot take the lock sends its files
// (a `HandOffMessage`) and waits for "ok" as long as the holder answers, however busy it is; when
// it cannot connect for a few seconds while the lock stays held, it says so in one line and opens
// its files in a program of its own, which does not listen: the socket stays the lock holder's.
// A connection that sends a malformed message, or nothing for a few seconds, is dropped. Both
// live in a private folder of the user: $XDG_RUNTIME_DIR, else a folder of the temporary folder
// made for the user alone. Each side refuses a peer of another user.
class HandOff : public QObject {
    Q_OBJECT
public:
    // The user at the other end of a connected local socket; none when it cannot be told.
    using PeerUid = std::function<std::optional<uid_t>(int socket)>;
    static std::optional<uid_t> socketPeerUid(int socket);

    // This start's part: the running program's (it listens), a start whose files a running
    // program took, or a program of its own that nothing can reach.
    enum class Role { instance, handedOff, alone };

    explicit HandOff(PeerUid peerUid = socketPeerUid, QObject* parent = nullptr);
    ~HandOff() override;

    // The folder of the socket and its lock. $XDG_RUNTIME_DIR when set; else fenmoor-UID in the
    // temporary folder, made with mode 0700 and taken only when it is a real folder of this user
    // that no one else may enter; otherwise none, after one line on standard error.
    static std::optional<std::filesystem::path> privateFolder();

    // Becomes the running program (takes the lock and listens) or hands `files` to it. A running
    // program of another user or one that cannot be reached, a lock or socket that cannot be
    // made, files that no message holds, or no private folder leaves this start alone: it then
    // opens its files itself.
    Role start(const std::vector<std::string>& files);

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

private:
    // How a send ended: taken; the peer is another user; the running program was reached but
    // did not take the files (it refused them or went); no running program could be reached.
    enum class Sent { taken, refused, lost, unreachable };
    struct Reading;
    bool listen();
    // Makes the socket anew at its path; the path's file is then this program's socket.
    bool bindSocket();
    bool stillListening() const;
    Sent send(const std::string& message);
    void receive(QLocalSocket* socket, Reading& reading);

    PeerUid peerUid_;
    std::filesystem::path socketPath_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
    // The socket file this program made, to tell when its path names something else.
    dev_t socketDevice_ = 0;
    ino_t socketInode_ = 0;
    // Checks now and then that the socket is still this program's.
    QTimer* watch_ = nullptr;
    bool toldListenFailure_ = false;
};

} // namespace fen

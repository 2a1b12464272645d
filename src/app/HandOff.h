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

namespace fen {

// The one running fenmoor of a user, and the hand-over of files to it from later starts. The
// program that holds the lock (a file beside the socket, locked for the process's life) is the
// running one and alone listens on the socket; a later start that cannot take the lock sends its
// files and waits for "ok" as long as the holder lives, however busy it is. A file is an absolute
// path's bytes or an address, each followed by a NUL byte, and one more NUL ends the message: a
// path holds any byte but NUL (line breaks, names that are not UTF-8), and no file is empty. Both
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
    // program of another user, a lock or socket that cannot be made, or no private folder leaves
    // this start alone: it then opens its files itself.
    Role start(const std::vector<std::string>& files);

    // The running program's reception of handed files; false refuses them (the sender then waits
    // for the next program). Unset, nothing is taken.
    std::function<bool(const std::vector<std::string>&)> receiver;

    // What a start sends for its command line (the bytes of its arguments, never decoded): an
    // address as it stands, a path made absolute against the start's own folder.
    static std::vector<std::string> handedFiles(const std::vector<std::string>& arguments);
    // The files of a message as the shell takes them.
    static std::vector<Url> handedUrls(const std::vector<std::string>& files);

private:
    enum class Sent { taken, refused, lost };
    bool listen();
    Sent send(const std::vector<std::string>& files);
    void receive(QLocalSocket* socket);

    PeerUid peerUid_;
    std::filesystem::path socketPath_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
};

} // namespace fen

#include "app/HandOff.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QVariant>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fen {

namespace {

// How long one wait for the running program lasts before the sender checks that it still lives.
constexpr int checkEveryMs = 500;
// The pause between two tries while the lock's holder is not listening yet.
constexpr unsigned long retryAfterMs = 100;

void warn(const std::string& text) {
    std::fprintf(stderr, "fenmoor: %s\n", text.c_str());
}

} // namespace

std::optional<uid_t> HandOff::socketPeerUid(int socket) {
    ucred peer = {};
    socklen_t size = sizeof peer;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer) {
        return std::nullopt;
    }
    return peer.uid;
}

HandOff::HandOff(PeerUid peerUid, QObject* parent)
    : QObject(parent), peerUid_(std::move(peerUid)) {}

HandOff::~HandOff() {
    if (lockFd_ >= 0) {
        ::close(lockFd_);
    }
}

std::optional<std::filesystem::path> HandOff::privateFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        return std::filesystem::path(runtime);
    }
    const std::filesystem::path folder =
        std::filesystem::path(QFile::encodeName(QDir::tempPath()).toStdString()) /
        ("fenmoor-" + std::to_string(::getuid()));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        warn("cannot make " + folder.string() + " (" + std::strerror(errno) +
             "); running without hand-off");
        return std::nullopt;
    }
    // Whoever made it first, it is used only as this user's own folder that no one else may
    // enter: not a link, not another user's, no access for group or others.
    struct stat status = {};
    if (::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::getuid() || (status.st_mode & 077) != 0) {
        warn(folder.string() + " is not a private folder of this user; running without hand-off");
        return std::nullopt;
    }
    return folder;
}

HandOff::Role HandOff::start(const std::vector<std::string>& files) {
    const std::optional<std::filesystem::path> folder = privateFolder();
    if (!folder) {
        return Role::alone;
    }
    socketPath_ = *folder / "fenmoor.socket";
    const std::filesystem::path lockPath = *folder / "fenmoor.lock";
    lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        warn("cannot open " + lockPath.string() + " (" + std::strerror(errno) +
             "); running without hand-off");
        return Role::alone;
    }
    for (;;) {
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
            return listen() ? Role::instance : Role::alone;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            warn("cannot lock " + lockPath.string() + " (" + std::strerror(errno) +
                 "); running without hand-off");
            return Role::alone;
        }
        switch (send(files)) {
        case Sent::taken:
            return Role::handedOff;
        case Sent::refused:
            return Role::alone;
        case Sent::lost:
            // Not listening yet, or ending: the lock tells which once it is free.
            QThread::msleep(retryAfterMs);
            break;
        }
    }
}

bool HandOff::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = QFile::decodeName(socketPath_.c_str());
    // Only the lock's holder gets here: a socket left there is of a program that has ended.
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
        warn("cannot listen on " + socketPath_.string() + " (" +
             server_->errorString().toStdString() + "); running without hand-off");
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            const std::optional<uid_t> peer =
                peerUid_(static_cast<int>(socket->socketDescriptor()));
            if (!peer || *peer != ::getuid()) {
                warn("refused a hand-off from another user");
                socket->abort();
                socket->deleteLater();
                continue;
            }
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { receive(socket); });
        }
    });
    return true;
}

void HandOff::receive(QLocalSocket* socket) {
    const QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    // No file is empty, so two NULs in a row (or a lone one, for no files) end the message.
    if (!(buffer == QByteArray(1, '\0') || buffer.endsWith(QByteArray(2, '\0')))) {
        return;
    }
    std::vector<std::string> files;
    for (const QByteArray& file : buffer.split('\0')) {
        if (!file.isEmpty()) {
            files.push_back(file.toStdString());
        }
    }
    if (!receiver || !receiver(files)) {
        socket->abort();
        return;
    }
    socket->write("ok\n");
    socket->flush();
}

HandOff::Sent HandOff::send(const std::vector<std::string>& files) {
    QLocalSocket socket;
    socket.connectToServer(QFile::decodeName(socketPath_.c_str()));
    if (!socket.waitForConnected(checkEveryMs)) {
        return Sent::lost;
    }
    const std::optional<uid_t> peer = peerUid_(static_cast<int>(socket.socketDescriptor()));
    if (!peer || *peer != ::getuid()) {
        warn(socketPath_.string() +
             " is held by another user; opening the files in a program of their own");
        return Sent::refused;
    }
    QByteArray message;
    for (const std::string& file : files) {
        message += QByteArray(file.data(), static_cast<qsizetype>(file.size()));
        message += '\0';
    }
    message += '\0';
    socket.write(message);
    // A busy program is waited for; one that ended closes the connection.
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(checkEveryMs) &&
            socket.state() != QLocalSocket::ConnectedState) {
            return Sent::lost;
        }
    }
    QByteArray reply;
    while (!reply.contains('\n')) {
        if (socket.waitForReadyRead(checkEveryMs)) {
            reply += socket.readAll();
        } else if (socket.state() != QLocalSocket::ConnectedState) {
            return Sent::lost;
        }
    }
    return reply.startsWith("ok\n") ? Sent::taken : Sent::lost;
}

std::vector<std::string> HandOff::handedFiles(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        if (argument.empty()) {
            continue;
        }
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(argument, error);
        files.push_back(argument.find("://") != std::string::npos || error
                            ? argument
                            : absolute.lexically_normal().string());
    }
    return files;
}

std::vector<Url> HandOff::handedUrls(const std::vector<std::string>& files) {
    std::vector<Url> result;
    for (const std::string& file : files) {
        if (file.starts_with('/')) {
            result.push_back(Url::fileURL(file));
        } else if (std::optional<Url> url = Url::fromString(file)) {
            result.push_back(*url);
        }
    }
    return result;
}

} // namespace fen

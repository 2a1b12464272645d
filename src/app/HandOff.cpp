#include "app/HandOff.h"
#include "app/HandOffMessage.h"
#include "shell/KvCatalystSceneDelegate.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fen {

namespace {

// How long one wait for the running program lasts before the sender checks that it still lives.
constexpr qint64 checkEveryMs = 500;
// The pause between two tries while the lock's holder is not listening yet.
constexpr unsigned long retryAfterMs = 100;
// How often the running program checks that its socket is still there and its own.
constexpr int watchEveryMs = 1000;

void warn(const std::string& text) {
    std::fprintf(stderr, "fenmoor: %s\n", text.c_str());
}

// One wait of the sender: a check's length, or what is left of the hand-off when that is less.
int slice(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 0, checkEveryMs));
}

// Whether the peer of a connection has closed it. A sender keeps its connection open until it
// has its answer, so one that closed it gave up waiting.
bool senderHasGone(const QLocalSocket& socket) {
    if (socket.state() != QLocalSocket::ConnectedState) {
        return true;
    }
    pollfd peer = {static_cast<int>(socket.socketDescriptor()), POLLRDHUP, 0};
    return ::poll(&peer, 1, 0) > 0 && (peer.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

} // namespace

class HandOff::DropLine {
public:
    // `first` begins the line of the first connection (its detail follows); `more` follows the
    // count of those told together.
    DropLine(QObject* owner, std::chrono::milliseconds every, std::string first, std::string more)
        : first_(std::move(first)), more_(std::move(more)), timer_(new QTimer(owner)) {
        timer_->setInterval(every);
        QObject::connect(timer_, &QTimer::timeout, owner, [this] {
            // Quiet for a whole period: the next one is told at once again.
            if (!tellCounted()) {
                timer_->stop();
            }
        });
    }
    // Those counted are told before the program ends.
    ~DropLine() { tellCounted(); }
    DropLine(const DropLine&) = delete;
    DropLine& operator=(const DropLine&) = delete;

    void tell(const std::string& detail) {
        if (timer_->isActive()) {
            ++counted_;
            last_ = detail;
            return;
        }
        warn(first_ + detail);
        timer_->start();
    }

private:
    bool tellCounted() {
        if (counted_ == 0) {
            return false;
        }
        warn(std::to_string(counted_) + more_ + (last_.empty() ? "" : "; the last: " + last_));
        counted_ = 0;
        return true;
    }

    std::string first_;
    std::string more_;
    QTimer* timer_;
    std::size_t counted_ = 0;
    std::string last_;
};

std::optional<uid_t> HandOff::socketPeerUid(int socket) {
    ucred peer = {};
    socklen_t size = sizeof peer;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer) {
        return std::nullopt;
    }
    return peer.uid;
}

HandOff::HandOff(PeerUid peerUid, HandOffBounds bounds, QObject* parent)
    : QObject(parent), peerUid_(std::move(peerUid)), bounds_(bounds),
      malformedLine_(std::make_unique<DropLine>(
          this, bounds.toldEvery, "dropped a hand-off message: ",
          " more malformed hand-off messages dropped since the last line")),
      strangerLine_(std::make_unique<DropLine>(
          this, bounds.toldEvery, "refused a hand-off from another user",
          " more hand-offs from another user refused since the last line")) {}

HandOff::~HandOff() {
    release();
    // No signal of a socket is on its way here: each goes now, by the road every one takes.
    while (!connections_.empty()) {
        drop(connections_.begin()->first);
    }
}

void HandOff::release() {
    if (watch_) {
        watch_->stop();
    }
    // The socket goes before the lock: once the lock is free the path may be the next program's.
    // Connections already taken are still read; the server object goes with this one.
    if (server_) {
        server_->close();
    }
    if (lockFd_ >= 0) {
        ::close(lockFd_);
        lockFd_ = -1;
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

HandOff::Role HandOff::start(const std::vector<std::string>& files, bool handOver) {
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
    const std::optional<std::string> message = HandOffMessage::encode(files);
    // The whole hand-off, and the time since the running program was last reached (or since this
    // start began).
    const QDeadlineTimer whole(bounds_.handOff);
    QDeadlineTimer unreached(bounds_.unreachable);
    const auto giveUp = [this] {
        warn("the running fenmoor did not answer on " + socketPath_.string() +
             "; opening the files in a program of their own");
        return Role::beside;
    };
    for (;;) {
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
            return listen() ? Role::instance : Role::alone;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            warn("cannot lock " + lockPath.string() + " (" + std::strerror(errno) +
                 "); running without hand-off");
            return Role::alone;
        }
        if (!handOver) {
            return Role::handedOff;
        }
        if (!message) {
            warn("more than " + std::to_string(HandOffMessage::maxFiles) +
                 " files, or one longer than " + std::to_string(HandOffMessage::maxFileBytes) +
                 " bytes, cannot be handed over; opening the files in a program of their own");
            return Role::beside;
        }
        switch (send(*message, whole)) {
        case Sent::taken:
            return Role::handedOff;
        case Sent::refused:
            return Role::beside;
        case Sent::unanswered:
            return giveUp();
        case Sent::lost:
            // Reached but not taken: a program that is ending. The lock tells once it is free.
            unreached.setRemainingTime(bounds_.unreachable);
            break;
        case Sent::unreachable:
            // Not listening yet, or its socket is gone: it listens again soon, or never.
            if (unreached.hasExpired()) {
                return giveUp();
            }
            break;
        }
        if (whole.hasExpired()) {
            return giveUp();
        }
        QThread::msleep(retryAfterMs);
    }
}

bool HandOff::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            take(socket);
        }
    });
    if (!bindSocket()) {
        warn("cannot listen on " + socketPath_.string() + " (" +
             server_->errorString().toStdString() + "); running without hand-off");
        return false;
    }
    watch_ = new QTimer(this);
    connect(watch_, &QTimer::timeout, this, [this] {
        if (stillListening()) {
            return;
        }
        if (bindSocket()) {
            toldListenFailure_ = false;
        } else if (!toldListenFailure_) {
            // Told once; tried again at every check until it works (descriptors freed, say).
            warn("cannot listen on " + socketPath_.string() + " again (" +
                 server_->errorString().toStdString() + "); trying again");
            toldListenFailure_ = true;
        }
    });
    watch_->start(watchEveryMs);
    return true;
}

bool HandOff::bindSocket() {
    const QString name = QFile::decodeName(socketPath_.c_str());
    server_->close();
    // Only the lock's holder gets here: a socket left there is of a program that has ended, or
    // this program's own that no longer works.
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
        return false;
    }
    struct stat status = {};
    if (::lstat(socketPath_.c_str(), &status) == 0) {
        socketDevice_ = status.st_dev;
        socketInode_ = status.st_ino;
    }
    return true;
}

bool HandOff::stillListening() const {
    struct stat status = {};
    return server_->isListening() && ::lstat(socketPath_.c_str(), &status) == 0 &&
           S_ISSOCK(status.st_mode) && status.st_dev == socketDevice_ &&
           status.st_ino == socketInode_;
}

void HandOff::take(QLocalSocket* socket) {
    // Held before anything else, so that every connection goes by `drop`.
    Connection& connection = connections_[socket];
    connection.order = ++taken_;
    connection.idle = new QTimer(socket);
    connection.idle->setSingleShot(true);
    connection.whole = new QTimer(socket);
    connection.whole->setSingleShot(true);
    connect(connection.idle, &QTimer::timeout, this, [this, socket] { drop(socket); });
    connect(connection.whole, &QTimer::timeout, this, [this, socket] { drop(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { receive(socket); });
    const std::optional<uid_t> peer = peerUid_(static_cast<int>(socket->socketDescriptor()));
    if (!peer || *peer != ::getuid()) {
        strangerLine_->tell("");
        drop(socket);
        return;
    }
    if (connections_.size() > bounds_.connections) {
        drop(oldestToDrop(socket));
    }
    connection.idle->start(bounds_.idle);
}

QLocalSocket* HandOff::oldestToDrop(const QLocalSocket* newcomer) const {
    const auto older = [](const auto& a, const auto& b) { return a.second.order < b.second.order; };
    auto oldest = connections_.end();
    auto oldestUnfinished = connections_.end();
    for (auto held = connections_.begin(); held != connections_.end(); ++held) {
        if (held->first == newcomer) {
            continue;
        }
        if (oldest == connections_.end() || older(*held, *oldest)) {
            oldest = held;
        }
        if (held->second.message.state() != HandOffMessage::State::complete &&
            (oldestUnfinished == connections_.end() || older(*held, *oldestUnfinished))) {
            oldestUnfinished = held;
        }
    }
    return oldestUnfinished != connections_.end() ? oldestUnfinished->first : oldest->first;
}

void HandOff::drop(QLocalSocket* socket) {
    const auto held = connections_.find(socket);
    if (held == connections_.end()) {
        return;
    }
    const Connection connection = std::move(held->second);
    connections_.erase(held);
    socket->disconnect(this);
    connection.idle->disconnect(this);
    connection.whole->disconnect(this);
    connection.idle->stop();
    connection.whole->stop();
    socket->abort();
    socket->deleteLater();
}

void HandOff::receive(QLocalSocket* socket) {
    const auto held = connections_.find(socket);
    if (held == connections_.end()) {
        return;
    }
    Connection& connection = held->second;
    connection.idle->start(bounds_.idle);
    const QByteArray bytes = socket->readAll();
    if (!bytes.isEmpty() && !connection.whole->isActive() &&
        connection.message.state() == HandOffMessage::State::incomplete) {
        // From the message's first byte; a peer that trickles it is dropped all the same.
        connection.whole->start(bounds_.message);
    }
    switch (connection.message.take(std::string_view(bytes.constData(), bytes.size()))) {
    case HandOffMessage::State::incomplete:
        return;
    case HandOffMessage::State::malformed:
        malformedLine_->tell(connection.message.fault());
        drop(socket);
        return;
    case HandOffMessage::State::complete:
        break;
    }
    connection.whole->stop();
    // A sender that has gone gave up waiting (this program was stopped, say) and opens its files
    // in a program of its own: they must not open here too.
    if (senderHasGone(*socket) || !receiver || !receiver(connection.message.files())) {
        drop(socket);
        return;
    }
    socket->write("ok\n");
    socket->flush();
}

HandOff::Sent HandOff::send(const std::string& message, const QDeadlineTimer& deadline) {
    QLocalSocket socket;
    socket.connectToServer(QFile::decodeName(socketPath_.c_str()));
    if (!socket.waitForConnected(slice(deadline))) {
        return Sent::unreachable;
    }
    const std::optional<uid_t> peer = peerUid_(static_cast<int>(socket.socketDescriptor()));
    if (!peer || *peer != ::getuid()) {
        warn(socketPath_.string() +
             " is held by another user; opening the files in a program of their own");
        return Sent::refused;
    }
    socket.write(message.data(), static_cast<qint64>(message.size()));
    // A busy program is waited for within the hand-off's bound; one that ended closes the
    // connection.
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired()) {
            return Sent::unanswered;
        }
        if (!socket.waitForBytesWritten(slice(deadline)) &&
            socket.state() != QLocalSocket::ConnectedState) {
            return Sent::lost;
        }
    }
    QByteArray reply;
    while (!reply.contains('\n')) {
        if (deadline.hasExpired()) {
            return afterTheBound(socket, reply);
        }
        if (socket.waitForReadyRead(slice(deadline))) {
            reply += socket.readAll();
        } else if (socket.state() != QLocalSocket::ConnectedState) {
            return Sent::lost;
        }
    }
    return reply.startsWith("ok\n") ? Sent::taken : Sent::lost;
}

HandOff::Sent HandOff::afterTheBound(QLocalSocket& socket, QByteArray& reply) {
    const int fd = static_cast<int>(socket.socketDescriptor());
    // The running program acts on a message only while its sender is there: once this end is
    // shut, one that has not yet looked drops the message.
    ::shutdown(fd, SHUT_WR);
    // What it has not read of the message (the kernel's count for this end): with bytes unread
    // it cannot have looked, and never acts on the message.
    int unread = 0;
    const bool allRead = ::ioctl(fd, SIOCOUTQ, &unread) == 0 && unread == 0;
    const QDeadlineTimer answer(allRead ? bounds_.answer : std::chrono::milliseconds(0));
    for (;;) {
        reply += socket.readAll();
        if (reply.contains('\n')) {
            return reply.startsWith("ok\n") ? Sent::taken : Sent::lost;
        }
        if (answer.hasExpired()) {
            return Sent::unanswered;
        }
        if (!socket.waitForReadyRead(slice(answer)) &&
            socket.state() != QLocalSocket::ConnectedState) {
            // Dropped without taking the files.
            reply += socket.readAll();
            return reply.startsWith("ok\n") ? Sent::taken : Sent::lost;
        }
    }
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

bool HandOff::namesFile(const std::string& file) {
    if (file.starts_with('/')) {
        return true;
    }
    const std::optional<Url> url = Url::fromString(file);
    return url && KvCatalystSceneDelegate::strippingScheme(*url).isFileURL();
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

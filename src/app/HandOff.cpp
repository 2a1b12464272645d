#include "app/HandOff.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>

#include <unistd.h>

namespace fen {

namespace {
constexpr int timeoutMs = 5000;
}

QString HandOff::serverName() {
    return QStringLiteral("fenmoor-%1").arg(::getuid());
}

bool HandOff::send(const QStringList& files) {
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    QByteArray message;
    for (const QString& file : files) {
        message += file.toUtf8() + '\n';
    }
    message += '\n';
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    QByteArray reply;
    while (!reply.contains('\n') && socket.waitForReadyRead(timeoutMs)) {
        reply += socket.readAll();
    }
    return reply.startsWith("ok\n");
}

bool HandOff::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a program that ended without tidying up would refuse the name.
    QLocalServer::removeServer(serverName());
    if (!server_->listen(serverName())) {
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                const QByteArray buffer =
                    socket->property("buffer").toByteArray() + socket->readAll();
                socket->setProperty("buffer", buffer);
                if (!(buffer == "\n" || buffer.endsWith("\n\n"))) {
                    return;
                }
                QStringList files;
                for (const QByteArray& line : buffer.split('\n')) {
                    if (!line.isEmpty()) {
                        files << QString::fromUtf8(line);
                    }
                }
                socket->write("ok\n");
                socket->flush();
                Q_EMIT filesArrived(files);
            });
        }
    });
    return true;
}

} // namespace fen

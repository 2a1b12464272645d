#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace fen {

// The hand-over between two starts of the program by one user, over a local socket named after
// the user: a later start sends its files (absolute paths or addresses, one a line, an empty line
// at the end) and waits for the running program's "ok".
class HandOff : public QObject {
    Q_OBJECT
public:
    // True when a running program took the files.
    static bool send(const QStringList& files);

    // Starts listening; false when the socket cannot be made (the program then runs alone).
    bool listen();

Q_SIGNALS:
    void filesArrived(const QStringList& files);

private:
    static QString serverName();
    QLocalServer* server_ = nullptr;
};

} // namespace fen

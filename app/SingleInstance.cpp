#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>
#include <QtDebug>

#include <memory>

namespace SingleInstance {

namespace {
const QByteArray kActivate = QByteArrayLiteral("activate");
// Enough of what came before to find a message split across reads.
constexpr int kCarryBytes = 7;

enum class Owner { Listening, Absent, Unknown };

// Whether a process still listens on the endpoint. Only a refused connection
// (or no socket file) proves the file stale; a slow owner that does not answer
// in time keeps its socket.
Owner probeOwner(const QString &path, int timeoutMs)
{
    QLocalSocket probe;
    probe.connectToServer(path, QIODevice::ReadWrite);
    if (probe.waitForConnected(timeoutMs)) {
        probe.disconnectFromServer();
        return Owner::Listening;
    }
    switch (probe.error()) {
    case QLocalSocket::ConnectionRefusedError:
    case QLocalSocket::ServerNotFoundError:
        return Owner::Absent;
    default:
        return Owner::Unknown;
    }
}

void watchSocket(QLocalSocket *socket, const std::function<void()> &onActivate)
{
    auto carry = std::make_shared<QByteArray>();
    auto handle = [socket, carry, onActivate] {
        QByteArray data = *carry + socket->readAll();
        if (data.contains(kActivate)) {
            QTimer::singleShot(0, QCoreApplication::instance(), onActivate);
            carry->clear();
            return;
        }
        *carry = data.right(kCarryBytes);
    };
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QLocalSocket::readyRead, socket, handle);
    if (socket->bytesAvailable() > 0)
        handle();
}
} // namespace

QString serverName()
{
    return QStringLiteral("VELKORA.SingleInstance.v1");
}

QString endpoint(const QString &name)
{
#ifdef Q_OS_UNIX
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime + QLatin1Char('/') + name;
#endif
    return name;
}

bool notifyRunningInstance(const QString &name, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(endpoint(name), QIODevice::ReadWrite);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kActivate);
    socket.flush();
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

QLocalServer *startServer(QWidget *owner, std::function<void()> onActivate, const QString &name, int probeTimeoutMs)
{
    const QString path = endpoint(name);
    auto *server = new QLocalServer(owner);
    bool listening = server->listen(path);
    if (!listening && server->serverError() == QAbstractSocket::AddressInUseError
        && probeOwner(path, probeTimeoutMs) == Owner::Absent) {
        QLocalServer::removeServer(path);
        listening = server->listen(path);
    }
    if (!listening) {
        qWarning().noquote() << "[SingleInstance] cannot listen on" << path << server->errorString();
        delete server;
        return nullptr;
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server, onActivate] {
        while (QLocalSocket *socket = server->nextPendingConnection())
            watchSocket(socket, onActivate);
    });
    return server;
}

} // namespace SingleInstance

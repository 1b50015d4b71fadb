#pragma once

#include <QString>

#include <functional>

class QLocalServer;
class QWidget;

// One running instance per user: a later start hands "activate" to the running
// one over a local socket and leaves.
namespace SingleInstance {

QString serverName();
// Where the socket lives: the user's runtime folder on Linux, so other users
// and a stale file elsewhere play no part.
QString endpoint(const QString &name = serverName());

// Client side: true when a running instance accepted the connection.
bool notifyRunningInstance(const QString &name = serverName(), int timeoutMs = 500);

// Server side: listens as a child of `owner` and queues `onActivate` for every
// "activate" it receives. Null when it cannot listen; the program then runs without it.
QLocalServer *startServer(QWidget *owner, std::function<void()> onActivate, const QString &name = serverName(),
                          int probeTimeoutMs = 500);

} // namespace SingleInstance

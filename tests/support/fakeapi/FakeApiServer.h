#pragma once

#include "tests/support/fakeapi/FakeApiBackend.h"
#include "tests/support/fakeapi/FakeFault.h"
#include "tests/support/fakeapi/FakeHttpRequest.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QUrl>

#include <memory>
#include <vector>

class QTcpServer;

namespace FakeApi {

class Connection;
class FloodWriter;

// A local stand-in for the maker's HTTP API on 127.0.0.1. API routes live
// below "/index.php/", files for download below "/files/". It checks the
// signing headers, the token rule and hashed passwords (Backend), records
// every request, and can misbehave per route (Fault).
class FakeApiServer : public QObject
{
    Q_OBJECT
public:
    explicit FakeApiServer(QObject *parent = nullptr);
    ~FakeApiServer() override;

    // Port 0 picks a free one.
    bool start(quint16 port = 0);
    quint16 port() const;
    QString baseUrl() const; // ends with "/index.php/"
    QString rootUrl() const; // ends with "/"
    QUrl fileUrl(const QString &name) const;

    Backend &backend() { return m_backend; }

    void setFault(const QString &route, const Fault &fault);
    void clearFault(const QString &route);
    void clearFaults();

    QList<HttpRequest> requests() const { return m_requests; }
    QList<HttpRequest> requestsTo(const QString &route) const;
    int requestCount(const QString &route) const { return requestsTo(route).size(); }
    HttpRequest lastRequest(const QString &route) const;
    void clearRequests() { m_requests.clear(); }
    // Body bytes the floods of this server have had taken by their clients so far.
    qint64 floodedBytes() const;
    // Floods still writing; one ends when its body is out or its client has gone.
    int activeFloods() const;

signals:
    void requestReceived(const FakeApi::HttpRequest &request);

private:
    void onNewConnection();
    void dispatch(Connection *connection, HttpRequest &request);
    QString routeOf(const QByteArray &target) const;

    QTcpServer *m_server;
    Backend m_backend;
    QHash<QString, Fault> m_faults;
    QList<HttpRequest> m_requests;
    std::vector<std::unique_ptr<FloodWriter>> m_floods;
};

} // namespace FakeApi

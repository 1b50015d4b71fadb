#include "tests/support/fakeapi/FakeApiServer.h"

#include "tests/support/fakeapi/FakeApiConnection.h"
#include "tests/support/fakeapi/FloodWriter.h"

#include <algorithm>

#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>

namespace FakeApi {

namespace {

const QString apiPrefix = QStringLiteral("/index.php/");

} // namespace

FakeApiServer::FakeApiServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &FakeApiServer::onNewConnection);
}

FakeApiServer::~FakeApiServer() = default;

qint64 FakeApiServer::floodedBytes() const
{
    qint64 total = 0;
    for (const auto &flood : m_floods)
        total += flood->bodyBytesSent();
    return total;
}

int FakeApiServer::activeFloods() const
{
    return int(std::count_if(m_floods.cbegin(), m_floods.cend(), [](const auto &flood) { return !flood->isDone(); }));
}

bool FakeApiServer::start(quint16 port)
{
    if (!m_server->listen(QHostAddress::LocalHost, port))
        return false;
    m_backend.setRootUrl(rootUrl());
    return true;
}

quint16 FakeApiServer::port() const
{
    return m_server->serverPort();
}

QString FakeApiServer::rootUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(port());
}

QString FakeApiServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(apiPrefix);
}

QUrl FakeApiServer::fileUrl(const QString &name) const
{
    return QUrl(rootUrl() + QStringLiteral("files/") + name);
}

void FakeApiServer::setFault(const QString &route, const Fault &fault)
{
    m_faults.insert(route, fault);
}

void FakeApiServer::clearFault(const QString &route)
{
    m_faults.remove(route);
}

void FakeApiServer::clearFaults()
{
    m_faults.clear();
}

QList<HttpRequest> FakeApiServer::requestsTo(const QString &route) const
{
    QList<HttpRequest> matching;
    for (const HttpRequest &r : m_requests) {
        if (r.route == route)
            matching.append(r);
    }
    return matching;
}

HttpRequest FakeApiServer::lastRequest(const QString &route) const
{
    const QList<HttpRequest> matching = requestsTo(route);
    return matching.isEmpty() ? HttpRequest() : matching.last();
}

QString FakeApiServer::routeOf(const QByteArray &target) const
{
    QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(target.left(target.indexOf('?') < 0
                                                                                     ? target.size()
                                                                                     : target.indexOf('?'))));
    if (path.startsWith(apiPrefix))
        path = path.mid(apiPrefix.size());
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    return path;
}

void FakeApiServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        new Connection(
            socket, [this](Connection *connection, HttpRequest &request) { dispatch(connection, request); }, this);
    }
}

void FakeApiServer::dispatch(Connection *connection, HttpRequest &request)
{
    request.route = routeOf(request.target);
    const Backend::Reply reply = m_backend.handle(request);
    m_requests.append(request);
    emit requestReceived(request);

    Connection::Response response;
    response.status = reply.status;
    response.headers.append({"Content-Type", reply.contentType});
    response.body = reply.body;

    auto faultIt = m_faults.find(request.route);
    if (faultIt != m_faults.end()) {
        const Fault fault = *faultIt;
        if (faultIt->times > 0 && --faultIt->times == 0)
            m_faults.erase(faultIt);
        switch (fault.kind) {
        case Fault::Kind::HttpStatus:
            response.status = fault.httpStatus;
            break;
        case Fault::Kind::EmptyBody:
            response.body.clear();
            break;
        case Fault::Kind::NonJson:
            response.headers = {{"Content-Type", "text/html"}};
            response.body = "<html><body>502 Bad Gateway</body></html>";
            break;
        case Fault::Kind::JsonArray:
            response.body = "[{\"errorCode\":0,\"message\":\"\",\"data\":null}]";
            break;
        case Fault::Kind::ErrorCodeString: {
            QJsonObject envelope = reply.envelope;
            const QString text = fault.errorCodeText.isEmpty()
                                     ? QString::number(envelope.value(QLatin1String("errorCode")).toInt())
                                     : fault.errorCodeText;
            envelope.insert(QStringLiteral("errorCode"), text);
            response.body = QJsonDocument(envelope).toJson(QJsonDocument::Compact);
            break;
        }
        case Fault::Kind::Delay:
            response.delayMs = fault.delayMs;
            break;
        case Fault::Kind::Stall:
            response.delivery = Connection::Delivery::Never;
            break;
        case Fault::Kind::Trickle:
        case Fault::Kind::Stream:
            response.delivery = fault.kind == Fault::Kind::Stream ? Connection::Delivery::Stream
                                                                  : Connection::Delivery::Trickle;
            response.trickleIntervalMs = fault.intervalMs;
            response.trickleBytes = fault.chunkBytes;
            response.padding = qMax<qint64>(0, fault.padBodyTo - response.body.size());
            break;
        case Fault::Kind::CloseMidBody:
            response.delivery = Connection::Delivery::CutMidBody;
            break;
        case Fault::Kind::RawBody:
            response.body = fault.rawBody;
            break;
        case Fault::Kind::Overstate:
            response.announcedLength = fault.announcedBytes;
            response.delivery = Connection::Delivery::HoldOpen;
            break;
        case Fault::Kind::Flood: {
            response.delivery = Connection::Delivery::Flood;
            response.chunked = fault.chunked;
            const int descriptor = connection->takeSocket();
            if (descriptor >= 0)
                m_floods.push_back(std::make_unique<FloodWriter>(descriptor, Connection::headOf(response),
                                                                 response.body, fault.floodBytes, fault.chunked));
            return;
        }
        case Fault::Kind::Redirect: {
            response.status = fault.httpStatus;
            const QString location = fault.location.startsWith(QLatin1String("http"))
                                         ? fault.location
                                         : rootUrl() + fault.location.mid(fault.location.startsWith('/') ? 1 : 0);
            response.headers.append({"Location", location.toUtf8()});
            break;
        }
        }
    }
    connection->respond(response);
}

} // namespace FakeApi

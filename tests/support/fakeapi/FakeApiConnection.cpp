#include "tests/support/fakeapi/FakeApiConnection.h"

#include <QTcpSocket>
#include <QTimer>

#include <fcntl.h>

namespace FakeApi {

Connection::Connection(QTcpSocket *socket, RequestHandler handler, QObject *parent)
    : QObject(parent), m_socket(socket), m_handler(std::move(handler))
{
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &Connection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    if (m_socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &Connection::onReadyRead);
}

Connection::~Connection() = default;

void Connection::onReadyRead()
{
    const QByteArray data = m_socket->readAll();
    if (m_answered)
        return;
    switch (m_parser.feed(data)) {
    case HttpRequestParser::State::NeedMore:
        return;
    case HttpRequestParser::State::Error: {
        m_answered = true;
        Response bad;
        bad.status = 400;
        bad.body = m_parser.errorText().toUtf8();
        m_response = bad;
        writeNow();
        return;
    }
    case HttpRequestParser::State::Complete: {
        m_answered = true;
        HttpRequest request = m_parser.request();
        m_handler(this, request);
        return;
    }
    }
}

void Connection::respond(const Response &response)
{
    m_response = response;
    if (response.delivery == Delivery::Never)
        return; // the client waits until it gives up
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, this, &Connection::writeNow);
    else
        writeNow();
}

QByteArray Connection::reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

QByteArray Connection::headOf(const Response &response)
{
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    for (const auto &[name, value] : std::as_const(response.headers))
        head += name + ": " + value + "\r\n";
    if (response.delivery == Delivery::Flood) {
        if (response.chunked)
            head += "Transfer-Encoding: chunked\r\n";
    } else if (response.delivery != Delivery::Stream) {
        const qint64 length =
            response.announcedLength >= 0 ? response.announcedLength : response.body.size() + response.padding;
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    }
    return head + "Connection: close\r\n\r\n";
}

int Connection::takeSocket()
{
    m_answered = true;
    // The copy keeps the connection open when the socket closes its own.
    const int descriptor = ::fcntl(int(m_socket->socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    m_socket->abort();
    deleteLater();
    return descriptor;
}

void Connection::writeNow()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    const QByteArray head = headOf(m_response);

    switch (m_response.delivery) {
    case Delivery::Whole:
        m_socket->write(head + m_response.body);
        m_socket->disconnectFromHost();
        return;
    case Delivery::CutMidBody:
        m_socket->write(head + m_response.body.left(m_response.body.size() / 2));
        m_socket->flush();
        m_socket->abort();
        deleteLater();
        return;
    case Delivery::HoldOpen:
        m_socket->write(head + m_response.body);
        return;
    case Delivery::Trickle:
    case Delivery::Stream:
        m_socket->write(head);
        m_pending = m_response.body;
        m_pendingOffset = 0;
        m_padding = m_response.padding;
        m_trickleTimer = new QTimer(this);
        connect(m_trickleTimer, &QTimer::timeout, this, &Connection::writeNextChunk);
        m_trickleTimer->start(qMax(1, m_response.trickleIntervalMs));
        return;
    case Delivery::Never:
    case Delivery::Flood:
        return;
    }
}

void Connection::writeNextChunk()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        m_trickleTimer->stop();
        return;
    }
    const qsizetype piece = qMax(1, m_response.trickleBytes);
    QByteArray chunk = m_pending.mid(m_pendingOffset, piece);
    m_pendingOffset += chunk.size();
    const qint64 blanks = qMin<qint64>(m_padding, piece - chunk.size());
    chunk.append(QByteArray(blanks, ' '));
    m_padding -= blanks;
    m_socket->write(chunk);
    if (m_pendingOffset >= m_pending.size() && m_padding == 0) {
        m_trickleTimer->stop();
        m_socket->disconnectFromHost();
    }
}

} // namespace FakeApi

#pragma once

#include "tests/support/fakeapi/FakeHttpRequest.h"
#include "tests/support/fakeapi/HttpRequestParser.h"

#include <QObject>

#include <functional>

class QTcpSocket;
class QTimer;

namespace FakeApi {

// One accepted connection: reads a request, hands it up, and writes the
// answer the way it is told (at once, late, slowly, cut off, or never).
// Every answer closes the connection.
class Connection : public QObject
{
    Q_OBJECT
public:
    // Stream: no Content-Length, the body in pieces, then the close.
    // HoldOpen: head and body at once, then the connection stays open.
    // Flood: no Content-Length; the head is for a writer that takes the socket over (takeSocket).
    enum class Delivery { Whole, Trickle, CutMidBody, Never, Stream, HoldOpen, Flood };

    struct Response
    {
        int status = 200;
        HeaderList headers;
        QByteArray body;
        Delivery delivery = Delivery::Whole;
        int delayMs = 0;
        int trickleIntervalMs = 20;
        int trickleBytes = 1;
        qint64 announcedLength = -1; // Content-Length to send; -1: the body's size
        qint64 padding = 0;          // Trickle, Stream: blanks sent after the body, made as they go
        bool chunked = false;        // Flood: chunked framing
    };

    using RequestHandler = std::function<void(Connection *, HttpRequest &)>;

    Connection(QTcpSocket *socket, RequestHandler handler, QObject *parent);
    ~Connection() override;

    void respond(const Response &response);
    // The status line and headers of `response`, with its blank line.
    static QByteArray headOf(const Response &response);
    // Hands the connected socket over as a descriptor of the caller's; this
    // connection then goes.
    int takeSocket();

private:
    void onReadyRead();
    void writeNow();
    void writeNextChunk();
    static QByteArray reasonPhrase(int status);

    QTcpSocket *m_socket;
    RequestHandler m_handler;
    HttpRequestParser m_parser;
    Response m_response;
    QByteArray m_pending; // body bytes still to trickle, from m_pendingOffset on
    qsizetype m_pendingOffset = 0;
    qint64 m_padding = 0; // blanks still to send after them
    QTimer *m_trickleTimer = nullptr;
    bool m_answered = false;
};

} // namespace FakeApi

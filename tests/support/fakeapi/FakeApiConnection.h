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
    enum class Delivery { Whole, Trickle, CutMidBody, Never };

    struct Response
    {
        int status = 200;
        HeaderList headers;
        QByteArray body;
        Delivery delivery = Delivery::Whole;
        int delayMs = 0;
        int trickleIntervalMs = 20;
        int trickleBytes = 1;
    };

    using RequestHandler = std::function<void(Connection *, HttpRequest &)>;

    Connection(QTcpSocket *socket, RequestHandler handler, QObject *parent);
    ~Connection() override;

    void respond(const Response &response);

private:
    void onReadyRead();
    void writeNow();
    void writeNextChunk();
    static QByteArray reasonPhrase(int status);

    QTcpSocket *m_socket;
    RequestHandler m_handler;
    HttpRequestParser m_parser;
    Response m_response;
    QByteArray m_pending; // body bytes still to trickle
    QTimer *m_trickleTimer = nullptr;
    bool m_answered = false;
};

} // namespace FakeApi

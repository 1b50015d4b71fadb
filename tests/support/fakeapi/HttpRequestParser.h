#pragma once

#include "tests/support/fakeapi/FakeHttpRequest.h"

#include <QByteArray>
#include <QString>

namespace FakeApi {

// Reads one HTTP/1.1 request from bytes as they arrive (Content-Length or
// chunked body) and decodes urlencoded, multipart and JSON bodies.
class HttpRequestParser
{
public:
    enum class State { NeedMore, Complete, Error };

    State feed(const QByteArray &data);
    State state() const { return m_state; }
    const HttpRequest &request() const { return m_request; }
    QString errorText() const { return m_error; }

    static constexpr qsizetype maxHeaderBytes = 64 * 1024;
    static constexpr qsizetype maxBodyBytes = 16 * 1024 * 1024;

    // Body decoders, also used on their own by tests of the double.
    static QList<QPair<QString, QString>> decodeForm(const QByteArray &body);
    static bool decodeMultipart(const QByteArray &body, const QByteArray &boundary, QList<MultipartPart> *parts);

private:
    State fail(const QString &why);
    bool parseHead(const QByteArray &head);
    State readBody();
    void decodeBody();

    QByteArray m_buffer;
    HttpRequest m_request;
    State m_state = State::NeedMore;
    QString m_error;
    bool m_headDone = false;
    bool m_chunked = false;
    qint64 m_contentLength = 0;
};

} // namespace FakeApi

#include "tests/support/fakeapi/HttpRequestParser.h"

#include <QJsonDocument>
#include <QUrl>

namespace FakeApi {

namespace {

QByteArray headerValue(const HeaderList &headers, const QByteArray &name)
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

HeaderList parseHeaderLines(const QByteArray &block)
{
    HeaderList headers;
    for (const QByteArray &line : block.split('\n')) {
        const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
        const qsizetype colon = l.indexOf(':');
        if (colon <= 0)
            continue;
        headers.append({l.left(colon).trimmed(), l.mid(colon + 1).trimmed()});
    }
    return headers;
}

// Value of `key=` inside a header such as Content-Disposition; quotes removed.
QByteArray headerParameter(const QByteArray &header, const QByteArray &key)
{
    for (const QByteArray &piece : header.split(';')) {
        const QByteArray p = piece.trimmed();
        if (!p.startsWith(key + '='))
            continue;
        QByteArray value = p.mid(key.size() + 1);
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

QString formDecode(const QByteArray &text)
{
    QByteArray t = text;
    t.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(t));
}

} // namespace

HttpRequestParser::State HttpRequestParser::fail(const QString &why)
{
    m_error = why;
    m_state = State::Error;
    return m_state;
}

HttpRequestParser::State HttpRequestParser::feed(const QByteArray &data)
{
    if (m_state != State::NeedMore)
        return m_state;
    m_buffer += data;
    if (!m_headDone) {
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_buffer.size() > maxHeaderBytes)
                return fail(QStringLiteral("request head too large"));
            return m_state;
        }
        if (!parseHead(m_buffer.left(end)))
            return m_state;
        m_buffer.remove(0, end + 4);
        m_headDone = true;
    }
    return readBody();
}

bool HttpRequestParser::parseHead(const QByteArray &head)
{
    const qsizetype lineEnd = head.indexOf("\r\n");
    const QByteArray requestLine = lineEnd < 0 ? head : head.left(lineEnd);
    const QList<QByteArray> words = requestLine.split(' ');
    if (words.size() != 3 || !words.at(2).startsWith("HTTP/1.")) {
        fail(QStringLiteral("bad request line"));
        return false;
    }
    m_request.method = words.at(0);
    m_request.target = words.at(1);
    const qsizetype q = m_request.target.indexOf('?');
    if (q >= 0)
        m_request.query = m_request.target.mid(q + 1);
    m_request.headers = parseHeaderLines(lineEnd < 0 ? QByteArray() : head.mid(lineEnd + 2));

    m_chunked = headerValue(m_request.headers, "Transfer-Encoding").toLower().contains("chunked");
    const QByteArray length = headerValue(m_request.headers, "Content-Length");
    if (!m_chunked && !length.isEmpty()) {
        bool ok = false;
        m_contentLength = length.toLongLong(&ok);
        if (!ok || m_contentLength < 0 || m_contentLength > maxBodyBytes) {
            fail(QStringLiteral("bad Content-Length"));
            return false;
        }
    }
    return true;
}

HttpRequestParser::State HttpRequestParser::readBody()
{
    if (!m_chunked) {
        if (m_buffer.size() < m_contentLength)
            return m_state;
        m_request.body = m_buffer.left(m_contentLength);
        decodeBody();
        m_state = State::Complete;
        return m_state;
    }

    // Chunked: decode from the start of the buffer each time; bodies are small.
    QByteArray body;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype lineEnd = m_buffer.indexOf("\r\n", pos);
        if (lineEnd < 0)
            return m_state;
        bool ok = false;
        const qint64 size = m_buffer.mid(pos, lineEnd - pos).split(';').first().trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || body.size() + size > maxBodyBytes)
            return fail(QStringLiteral("bad chunk size"));
        const qsizetype dataStart = lineEnd + 2;
        if (size == 0) {
            if (m_buffer.indexOf("\r\n", dataStart) < 0)
                return m_state;
            m_request.body = body;
            decodeBody();
            m_state = State::Complete;
            return m_state;
        }
        if (m_buffer.size() < dataStart + size + 2)
            return m_state;
        body += m_buffer.mid(dataStart, size);
        pos = dataStart + size + 2;
    }
}

void HttpRequestParser::decodeBody()
{
    const QByteArray type = headerValue(m_request.headers, "Content-Type");
    const QByteArray mime = type.split(';').first().trimmed().toLower();
    if (mime == "application/x-www-form-urlencoded") {
        m_request.formFields = decodeForm(m_request.body);
    } else if (mime == "multipart/form-data") {
        if (decodeMultipart(m_request.body, headerParameter(type, "boundary"), &m_request.parts)) {
            for (const MultipartPart &part : std::as_const(m_request.parts)) {
                if (part.fileName.isEmpty())
                    m_request.formFields.append({part.name, QString::fromUtf8(part.body)});
            }
        }
    } else if (mime == "application/json") {
        const QJsonDocument doc = QJsonDocument::fromJson(m_request.body);
        m_request.jsonBody = doc.isObject();
        m_request.json = doc.object();
    }
}

QList<QPair<QString, QString>> HttpRequestParser::decodeForm(const QByteArray &body)
{
    QList<QPair<QString, QString>> fields;
    if (body.isEmpty())
        return fields;
    for (const QByteArray &pair : body.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq < 0)
            fields.append({formDecode(pair), QString()});
        else
            fields.append({formDecode(pair.left(eq)), formDecode(pair.mid(eq + 1))});
    }
    return fields;
}

bool HttpRequestParser::decodeMultipart(const QByteArray &body, const QByteArray &boundary,
                                        QList<MultipartPart> *parts)
{
    if (boundary.isEmpty())
        return false;
    const QByteArray delimiter = "--" + boundary;
    qsizetype pos = body.indexOf(delimiter);
    if (pos < 0)
        return false;
    for (;;) {
        pos += delimiter.size();
        if (body.mid(pos, 2) == "--")
            return true; // closing delimiter
        if (body.mid(pos, 2) != "\r\n")
            return false;
        pos += 2;
        const qsizetype next = body.indexOf("\r\n" + delimiter, pos);
        if (next < 0)
            return false;
        const QByteArray raw = body.mid(pos, next - pos);
        const qsizetype headEnd = raw.indexOf("\r\n\r\n");
        MultipartPart part;
        if (headEnd < 0) {
            part.headers = parseHeaderLines(raw);
        } else {
            part.headers = parseHeaderLines(raw.left(headEnd));
            part.body = raw.mid(headEnd + 4);
        }
        const QByteArray disposition = part.header("Content-Disposition");
        part.name = QString::fromUtf8(headerParameter(disposition, "name"));
        part.fileName = QString::fromUtf8(headerParameter(disposition, "filename"));
        part.contentType = part.header("Content-Type");
        parts->append(part);
        pos = next + 2;
    }
}

} // namespace FakeApi

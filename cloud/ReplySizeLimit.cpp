#include "cloud/ReplySizeLimit.h"

#include <QEvent>
#include <QNetworkReply>

#include <algorithm>
#include <utility>

ReplySizeLimit *ReplySizeLimit::watch(QNetworkReply *reply, qint64 maxBytes, QObject *context, Exceeded onExceeded,
                                      Sink sink)
{
    if (!reply)
        return nullptr;
    return new ReplySizeLimit(reply, maxBytes, context, std::move(onExceeded), std::move(sink));
}

ReplySizeLimit::ReplySizeLimit(QNetworkReply *reply, qint64 maxBytes, QObject *context, Exceeded onExceeded,
                               Sink sink)
    : QObject(reply),
      m_reply(reply),
      m_maxBytes(std::max<qint64>(0, maxBytes)),
      m_context(context),
      m_onExceeded(std::move(onExceeded)),
      m_sink(std::move(sink))
{
    // Qt hands each piece from its network thread to the reply as a queued
    // call, and emits readyRead only once no more pieces are queued: data
    // faster than this thread takes it would pile up unread, without a
    // readyRead, for as long as it keeps coming. So each piece is also read
    // before the next one is handed over (the filter), and readyRead takes
    // the last one.
    reply->installEventFilter(this);
    connect(reply, &QNetworkReply::readyRead, this, &ReplySizeLimit::drain);
    connect(reply, &QNetworkReply::metaDataChanged, this, &ReplySizeLimit::onMetaDataChanged);
    // Bounds how far the network thread reads ahead; without a bound it also
    // keeps reading a fast endless body in one loop, deaf to the abort and to
    // the manager's other requests. Qt passes the bound on only to a request
    // that has started. A GET starts at once; a POST starts from a queued
    // call, so the bound is given again from a queued call made after it (the
    // watch is made right after the request), and, should the start be
    // later still, once the request is out and once the answer's head is in.
    applyReadAhead();
    QMetaObject::invokeMethod(this, &ReplySizeLimit::applyReadAhead, Qt::QueuedConnection);
    connect(reply, &QNetworkReply::requestSent, this, &ReplySizeLimit::applyReadAhead);
}

bool ReplySizeLimit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_reply && event->type() == QEvent::MetaCall && m_reply->bytesAvailable() > 0)
        drain();
    return false;
}

void ReplySizeLimit::applyReadAhead()
{
    m_reply->setReadBufferSize(std::min(m_maxBytes + 1, readAheadBytes));
}

ReplySizeLimit *ReplySizeLimit::of(const QNetworkReply *reply)
{
    return reply ? reply->findChild<ReplySizeLimit *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

QByteArray ReplySizeLimit::takeBody(QNetworkReply *reply)
{
    if (!reply)
        return {};
    if (ReplySizeLimit *limit = of(reply))
        return limit->takeBody();
    return reply->readAll();
}

QByteArray ReplySizeLimit::takeBody()
{
    drain();
    if (m_exceeded)
        return {};
    return std::exchange(m_body, QByteArray());
}

void ReplySizeLimit::onMetaDataChanged()
{
    applyReadAhead();
    const QVariant announced = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid() && announced.toLongLong() > m_maxBytes)
        exceed(announced.toLongLong());
}

void ReplySizeLimit::drain()
{
    if (m_exceeded || !m_reply->isOpen())
        return;
    const QByteArray piece = m_reply->readAll();
    if (piece.isEmpty())
        return;
    m_received += piece.size();
    if (m_received > m_maxBytes) {
        m_body.clear();
        exceed(m_received);
        return;
    }
    if (m_sink) {
        if (m_context)
            m_sink(piece);
    } else {
        m_body += piece;
    }
}

void ReplySizeLimit::exceed(qint64 bytes)
{
    if (m_exceeded)
        return;
    m_exceeded = true;
    m_body.clear();
    if (m_context && m_onExceeded)
        m_onExceeded(bytes);
}

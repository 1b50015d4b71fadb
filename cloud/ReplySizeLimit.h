#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <functional>

class QNetworkReply;

// Caps the body of a network reply by what actually arrives. Every piece is
// read as soon as the reply has it, into the watch's own buffer or handed to
// a sink, so the count is exact whatever the server's speed, and the reply
// never sits on a full buffer (a bounded buffer that nobody reads stops
// short of its bound, and a check of what it holds then never fires). As
// soon as the announced length (Content-Length) or the count passes the cap,
// `onExceeded` runs once with the size seen and nothing more is read; the
// caller aborts the reply. What is held at that moment is at most the cap
// and one piece of the network's read-ahead.
//
// The watch is a child of the reply and goes with it; its callbacks run only
// while `context` lives. Thread of the reply.
class ReplySizeLimit : public QObject
{
    Q_OBJECT
public:
    using Exceeded = std::function<void(qint64 bytes)>;
    // Takes each piece as it arrives, in place of the watch's buffer.
    using Sink = std::function<void(const QByteArray &piece)>;

    // How far the network thread may read ahead of the reply's thread.
    static constexpr qint64 readAheadBytes = 1024 * 1024;

    // Made right after the request is, before the event loop runs again.
    static ReplySizeLimit *watch(QNetworkReply *reply, qint64 maxBytes, QObject *context, Exceeded onExceeded,
                                 Sink sink = {});
    // The watch on `reply`, or null.
    static ReplySizeLimit *of(const QNetworkReply *reply);
    // The body of `reply` so far: what its watch took in and what is still
    // unread (counted too). Empty once the cap has been passed. A reply
    // without a watch gives its own readAll().
    static QByteArray takeBody(QNetworkReply *reply);

    // Reads what the reply holds now, as a readyRead would.
    void drain();
    QByteArray takeBody();
    qint64 receivedBytes() const { return m_received; }
    bool isExceeded() const { return m_exceeded; }

private:
    ReplySizeLimit(QNetworkReply *reply, qint64 maxBytes, QObject *context, Exceeded onExceeded, Sink sink);
    bool eventFilter(QObject *watched, QEvent *event) override;
    void applyReadAhead();
    void onMetaDataChanged();
    void exceed(qint64 bytes);

    QNetworkReply *m_reply;
    const qint64 m_maxBytes;
    QPointer<QObject> m_context;
    Exceeded m_onExceeded;
    Sink m_sink;
    QByteArray m_body;
    qint64 m_received = 0;
    bool m_exceeded = false;
};

#include "cloud/BoundedGet.h"

#include "cloud/ReplySizeLimit.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <QtDebug>

namespace BoundedGet {

QNetworkReply *get(QNetworkAccessManager *manager, const QUrl &url, qint64 maxBytes, int timeoutMs)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeoutMs);
    QNetworkReply *reply = manager->get(request);
    if (!reply)
        return nullptr;
    ReplySizeLimit::watch(reply, maxBytes, reply, [reply, maxBytes](qint64 bytes) {
        qWarning().noquote() << QStringLiteral("[Net][Get] %1: %2 bytes seen, over the limit of %3; aborted")
                                    .arg(reply->url().toString())
                                    .arg(bytes)
                                    .arg(maxBytes);
        reply->abort();
    });
    // The whole request, not only its silences: a body that trickles without end ends too.
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, reply, [reply, timeoutMs] {
        if (!reply->isRunning())
            return;
        qWarning().noquote()
            << QStringLiteral("[Net][Get] %1: not done within %2 ms; aborted").arg(reply->url().toString()).arg(timeoutMs);
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, timer, &QTimer::stop);
    timer->start(timeoutMs);
    return reply;
}

QByteArray body(QNetworkReply *reply)
{
    if (!reply || reply->error() != QNetworkReply::NoError)
        return {};
    return ReplySizeLimit::takeBody(reply);
}

} // namespace BoundedGet

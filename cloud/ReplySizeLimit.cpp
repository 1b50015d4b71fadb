#include "cloud/ReplySizeLimit.h"

#include <QNetworkReply>

#include <memory>

void limitReplySize(QNetworkReply *reply, qint64 maxBytes, QObject *context,
                    std::function<void(qint64 bytes)> onExceeded)
{
    auto fired = std::make_shared<bool>(false);
    const auto check = [maxBytes, fired, onExceeded = std::move(onExceeded)](qint64 bytes) {
        if (*fired || bytes <= maxBytes)
            return;
        *fired = true;
        onExceeded(bytes);
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, context, [reply, check] {
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if (announced.isValid())
            check(announced.toLongLong());
    });
    // What the reply holds unread is what it costs in memory. With its buffer
    // bounded the reply stops reading one byte past the limit, however late
    // this thread gets to look.
    reply->setReadBufferSize(maxBytes + 1);
    QObject::connect(reply, &QNetworkReply::readyRead, context, [reply, check] { check(reply->bytesAvailable()); });
}

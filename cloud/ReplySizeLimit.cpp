#include "cloud/ReplySizeLimit.h"

#include <QNetworkReply>

#include <memory>

void limitReplySize(QNetworkReply *reply, qint64 maxBytes, QObject *context, std::function<void()> onExceeded)
{
    auto fired = std::make_shared<bool>(false);
    const auto check = [maxBytes, fired, onExceeded = std::move(onExceeded)](qint64 bytes) {
        if (*fired || bytes <= maxBytes)
            return;
        *fired = true;
        onExceeded();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, context, [reply, check] {
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if (announced.isValid())
            check(announced.toLongLong());
    });
    // What the reply holds unread is what it costs in memory.
    QObject::connect(reply, &QNetworkReply::readyRead, context, [reply, check] { check(reply->bytesAvailable()); });
}

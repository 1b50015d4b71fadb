#pragma once

#include <QByteArray>
#include <QtGlobal>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

// A GET for a small file from the server (a picture), bounded in size and in
// time: past `maxBytes` of body (counted as it arrives, see ReplySizeLimit)
// or `timeoutMs` for the whole request the reply is aborted, so it finishes
// with an error and no body. Redirects are followed only when no less safe.
namespace BoundedGet {

QNetworkReply *get(QNetworkAccessManager *manager, const QUrl &url, qint64 maxBytes, int timeoutMs);
// The body of a reply that finished without error; empty otherwise.
QByteArray body(QNetworkReply *reply);

} // namespace BoundedGet

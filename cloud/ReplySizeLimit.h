#pragma once

#include <QtGlobal>

#include <functional>

class QNetworkReply;
class QObject;

// Calls `onExceeded` once, with the size seen, as soon as `reply` announces
// more than `maxBytes` (its Content-Length) or holds more than that unread, so
// the caller can abort it before the rest arrives. The reply never takes in
// more than one byte past the limit before it is seen. `context` bounds the
// watch's life.
void limitReplySize(QNetworkReply *reply, qint64 maxBytes, QObject *context,
                    std::function<void(qint64 bytes)> onExceeded);

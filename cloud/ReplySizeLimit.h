#pragma once

#include <QtGlobal>

#include <functional>

class QNetworkReply;
class QObject;

// Calls `onExceeded` once, as soon as `reply` announces more than `maxBytes`
// (its Content-Length) or holds more than that unread, so the caller can abort
// it before the rest arrives. `context` bounds the watch's life.
void limitReplySize(QNetworkReply *reply, qint64 maxBytes, QObject *context, std::function<void()> onExceeded);

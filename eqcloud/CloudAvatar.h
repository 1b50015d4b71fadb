#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// Author pictures of the cloud page: where a source is fetched from, and the
// round crop every avatar is shown with.
namespace CloudAvatar {

// "http://" or "https://" in any letter case.
bool isNetworkSource(const QString &source);
// ":/" or "qrc:/".
bool isResourceSource(const QString &source);
// The pixmap scaled to fill `size` (aspect kept by expanding, centred) and
// clipped to a circle on a transparent pixmap; null for a null input.
QPixmap circular(const QPixmap &pixmap, QSize size);
// A resource or file path as a pixmap ("qrc:/x" reads ":/x"); null when it cannot be read.
QPixmap loadLocal(const QString &source);

} // namespace CloudAvatar

#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// Author pictures of the cloud page: where a source is fetched from. They
// are shown through the kit's roundAvatar.
namespace CloudAvatar {

// "http://" or "https://" in any letter case.
bool isNetworkSource(const QString &source);
// ":/" or "qrc:/".
bool isResourceSource(const QString &source);
// A resource or file path as a pixmap ("qrc:/x" reads ":/x"); null when it cannot be read.
QPixmap loadLocal(const QString &source);

} // namespace CloudAvatar

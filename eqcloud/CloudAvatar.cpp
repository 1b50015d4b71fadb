#include "eqcloud/CloudAvatar.h"

#include "cloud/ServerPicture.h"

namespace CloudAvatar {

bool isNetworkSource(const QString &source)
{
    return source.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
           || source.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

bool isResourceSource(const QString &source)
{
    return source.startsWith(QLatin1String(":/")) || source.startsWith(QLatin1String("qrc:/"));
}

QPixmap loadLocal(const QString &source)
{
    if (source.startsWith(QLatin1String("qrc:/")))
        return QPixmap(source.mid(3));
    return QPixmap(source);
}

QImage decode(const QByteArray &bytes)
{
    return ServerPicture::decodeSquare(bytes, keptSide);
}

QImage fitted(const QImage &image)
{
    return ServerPicture::fitSquare(image, keptSide);
}

} // namespace CloudAvatar

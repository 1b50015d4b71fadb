#include "CloudTestSupport.h"

#include <QCryptographicHash>
#include <QNetworkProxy>

namespace CloudTest {

QString hmacSha1Hex(const QByteArray &message, const QByteArray &key)
{
    constexpr int blockSize = 64;
    QByteArray k = key.size() > blockSize ? QCryptographicHash::hash(key, QCryptographicHash::Sha1) : key;
    k = k.leftJustified(blockSize, '\0');
    QByteArray inner(blockSize, '\0');
    QByteArray outer(blockSize, '\0');
    for (int i = 0; i < blockSize; ++i) {
        inner[i] = static_cast<char>(k.at(i) ^ 0x36);
        outer[i] = static_cast<char>(k.at(i) ^ 0x5c);
    }
    const QByteArray innerHash = QCryptographicHash::hash(inner + message, QCryptographicHash::Sha1);
    return QString::fromLatin1(QCryptographicHash::hash(outer + innerHash, QCryptographicHash::Sha1).toHex());
}

QString md5Hex(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

void bypassProxy()
{
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

} // namespace CloudTest

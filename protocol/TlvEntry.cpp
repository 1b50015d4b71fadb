#include "protocol/TlvEntry.h"

#include <algorithm>

namespace HeadsetProtocol {

std::vector<quint8> TlvEntry::valueBytes() const
{
    const qsizetype n = std::min<qsizetype>(length, value.size());
    return std::vector<quint8>(value.constBegin(), value.constBegin() + n);
}

std::vector<quint16> TlvEntry::valueUInt16List() const
{
    std::vector<quint16> words;
    if (length % 2 != 0)
        return words;
    const qsizetype count = std::min<qsizetype>(length, value.size()) / 2;
    words.reserve(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        words.push_back(static_cast<quint16>(static_cast<quint8>(value[2 * i]) |
                                             (static_cast<quint8>(value[2 * i + 1]) << 8)));
    }
    return words;
}

QString TlvEntry::valueString() const
{
    if (length == 0 || value.isEmpty())
        return {};
    qsizetype n = std::min<qsizetype>(length, value.size());
    while (n > 0 && value[n - 1] == '\0')
        --n;
    const qsizetype nul = QByteArrayView(value.constData(), n).indexOf('\0');
    if (nul >= 0)
        n = nul;
    return QString::fromUtf8(value.constData(), n);
}

} // namespace HeadsetProtocol

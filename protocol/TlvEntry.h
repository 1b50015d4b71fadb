#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace HeadsetProtocol {

// One item of a TLV list: type byte, length byte, `length` value bytes.
struct TlvEntry
{
    quint8 type = 0;
    quint8 length = 0; // the length byte as received
    QByteArray value;

    std::vector<quint8> valueBytes() const;
    // Little-endian words; empty when the length is odd.
    std::vector<quint16> valueUInt16List() const;
    // UTF-8 text; trailing NUL padding dropped, cut at an inner NUL.
    QString valueString() const;
};

} // namespace HeadsetProtocol

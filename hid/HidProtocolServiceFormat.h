#pragma once

#include <QByteArray>
#include <QString>

// Number and byte texts of the device service's log lines.
namespace HidProtocolServiceFormat {

// Two lower-case hex digits, zero-filled.
inline QString hex2(quint32 value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
}

// Four upper-case hex digits, zero-filled.
inline QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

// Upper-case hex bytes separated by blanks.
inline QString hexDump(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace HidProtocolServiceFormat

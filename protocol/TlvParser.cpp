#include "protocol/TlvParser.h"

#include "protocol/ProtocolTypes.h"

namespace HeadsetProtocol {

TlvParser::TlvParser(const QByteArray &payload) : m_data(payload) {}

bool TlvParser::parse()
{
    m_entries.clear();
    m_errorString.clear();
    const qsizetype size = m_data.size();
    if (size == 0)
        return true;

    m_entries.reserve(static_cast<size_t>(size / 4));
    qsizetype offset = 0;
    while (offset < size) {
        if (offset + 2 > size) {
            m_errorString = QStringLiteral("Incomplete TLV header at offset %1").arg(offset);
            m_entries.clear();
            return false;
        }
        const quint8 type = static_cast<quint8>(m_data[offset]);
        const quint8 length = static_cast<quint8>(m_data[offset + 1]);
        if (offset + 2 + length > size) {
            m_errorString = QStringLiteral("TLV value length exceeds available data. Type:0x%1 Required:%2 Available:%3")
                                .arg(hex(type))
                                .arg(length)
                                .arg(size - offset - 2);
            m_entries.clear();
            return false;
        }
        m_entries.push_back(TlvEntry{type, length, m_data.mid(offset + 2, length)});
        offset += 2 + length;
    }
    return true;
}

std::optional<TlvEntry> TlvParser::find(quint8 type) const
{
    for (const TlvEntry &entry : m_entries) {
        if (entry.type == type)
            return entry;
    }
    return std::nullopt;
}

bool appendTlv(QByteArray &out, quint8 type, const QByteArray &value)
{
    if (value.size() > 0xFF)
        return false;
    out.append(static_cast<char>(type));
    out.append(static_cast<char>(value.size()));
    out.append(value);
    return true;
}

} // namespace HeadsetProtocol

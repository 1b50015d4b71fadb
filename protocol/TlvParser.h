#pragma once

#include "protocol/TlvEntry.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace HeadsetProtocol {

// Reads a flat TLV list (no count, no padding, no terminator). A list that
// ends inside an item is refused as a whole: callers never see partial lists.
class TlvParser
{
public:
    explicit TlvParser(const QByteArray &payload);

    bool parse();
    std::optional<TlvEntry> find(quint8 type) const;

    const QByteArray &data() const { return m_data; }
    const std::vector<TlvEntry> &entries() const { return m_entries; }
    const QString &errorString() const { return m_errorString; }

private:
    QByteArray m_data;
    std::vector<TlvEntry> m_entries;
    QString m_errorString;
};

// Appends one item; false (and nothing appended) when the value exceeds 255 bytes.
bool appendTlv(QByteArray &out, quint8 type, const QByteArray &value);

} // namespace HeadsetProtocol

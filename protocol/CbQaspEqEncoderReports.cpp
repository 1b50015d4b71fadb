#include "protocol/CbQaspEqEncoder.h"

#include "protocol/IHidTransport.h"

#include <QtEndian>

#include <cmath>

// Report layout of the Qor EQ path, its parser and the self-check.

namespace {

// Offsets inside a 0x09 report.
constexpr int kOffEqIndex = 4;
constexpr int kOffFilterIndex = 5;
constexpr int kOffCoeff = 8;
constexpr int kOffFc = 28;
constexpr int kOffQ = 30;
constexpr int kOffGain = 32;
constexpr int kOffKind = 34;
constexpr int kOffGainOffset = 35;
constexpr int kOffEqNumber = 36;

constexpr double kQTolerance = 0.02;
constexpr double kGainTolerance = 0.06;

template <typename T>
void putLe(char *at, T value)
{
    qToLittleEndian<T>(value, at);
}

template <typename T>
T getLe(const char *at)
{
    return qFromLittleEndian<T>(at);
}

} // namespace

QByteArray CbQaspEqEncoder::buildReport(quint8 byte1, quint8 packetId, const QByteArray &payload)
{
    if (payload.size() > kMaxPayload)
        return {};
    QByteArray report(kReportSize, '\0');
    report[0] = static_cast<char>(kReportTag);
    report[1] = static_cast<char>(byte1);
    report[2] = static_cast<char>(packetId);
    report[3] = static_cast<char>(payload.size());
    std::copy(payload.cbegin(), payload.cend(), report.begin() + 4);
    return report;
}

QByteArray CbQaspEqEncoder::buildFilterPacket09(const FilterPacket09 &packet)
{
    QByteArray report = buildReport(kReportByte1, kPacketFilter, QByteArray(kFilterPayloadLength, '\0'));
    char *p = report.data();
    p[kOffEqIndex] = static_cast<char>(packet.eqIndex);
    p[kOffFilterIndex] = static_cast<char>(packet.filterIndex);
    for (int i = 0; i < 5; ++i)
        putLe<qint32>(p + kOffCoeff + 4 * i, packet.coeff[i]);
    putLe<quint16>(p + kOffFc, packet.fcHz);
    // Snap again so that a value that went through single precision on its way
    // here still yields the word of its 2- or 1-decimal form.
    putLe<quint16>(p + kOffQ, toQWord(std::round(packet.q * 100.0) / 100.0));
    putLe<qint16>(p + kOffGain, toGainWord(std::round(packet.gainDb * 10.0) / 10.0));
    p[kOffKind] = static_cast<char>(packet.kind);
    p[kOffGainOffset] = static_cast<char>(packet.gainOffsetDb);
    p[kOffEqNumber] = static_cast<char>(packet.eqNumber);
    return report;
}

QByteArray CbQaspEqEncoder::buildGainPacket03(double gainDb)
{
    // -32768 is left out on purpose: the gain report is symmetric.
    qint16 word = toGainWord(gainDb);
    if (word == -32768)
        word = -32767;
    QByteArray payload(2, '\0');
    putLe<qint16>(payload.data(), word);
    return buildReport(kReportByte1, kPacketGain, payload);
}

QByteArray CbQaspEqEncoder::buildPacket0A(quint8 byte0, quint8 byte2, quint8 byte3)
{
    QByteArray payload(4, '\0');
    payload[0] = static_cast<char>(byte0);
    payload[2] = static_cast<char>(byte2);
    payload[3] = static_cast<char>(byte3);
    return buildReport(kReportByte1, kPacket0A, payload);
}

QByteArray CbQaspEqEncoder::buildPacket01()
{
    return buildReport(kReportByte1, kPacket01, {});
}

bool CbQaspEqEncoder::parseFilterPacket09(const QByteArray &report, FilterPacket09 &out)
{
    out = FilterPacket09{};
    if (report.size() < 4 || static_cast<quint8>(report[0]) != kReportTag
        || static_cast<quint8>(report[2]) != kPacketFilter)
        return false;
    int length = static_cast<quint8>(report[3]);
    if (length == 0)
        length = kFilterPayloadLength;
    if (length < kFilterPayloadLength || report.size() < length + 4)
        return false;

    const char *p = report.constData();
    out.eqIndex = static_cast<quint8>(p[kOffEqIndex]);
    out.filterIndex = static_cast<quint8>(p[kOffFilterIndex]);
    for (int i = 0; i < 5; ++i)
        out.coeff[i] = getLe<qint32>(p + kOffCoeff + 4 * i);
    out.fcHz = getLe<quint16>(p + kOffFc);
    out.q = getLe<quint16>(p + kOffQ) / 256.0;
    out.gainDb = getLe<qint16>(p + kOffGain) / 256.0;
    const quint8 kind = static_cast<quint8>(p[kOffKind]);
    out.kind = kind <= static_cast<quint8>(QaspFilterKind::HighPass) ? kind : 0;
    out.gainOffsetDb = static_cast<qint8>(p[kOffGainOffset]);
    out.eqNumber = static_cast<quint8>(p[kOffEqNumber]);
    out.valid = true;
    return true;
}

bool CbQaspEqEncoder::verifyFilterPacket(const QByteArray &report, const FilterPacket09 &expected, QString *error)
{
    FilterPacket09 parsed;
    if (!parseFilterPacket09(report, parsed)) {
        if (error)
            *error = QStringLiteral("0x09 self-parse failed (filter=%1)").arg(expected.filterIndex);
        return false;
    }

    const char *field = nullptr;
    if (parsed.eqIndex != 0)
        field = "eqIndex";
    else if (parsed.filterIndex != expected.filterIndex)
        field = "filterIndex";
    else if (parsed.fcHz != expected.fcHz)
        field = "fcHz";
    else if (!(std::abs(parsed.q - expected.q) <= kQTolerance))
        field = "q";
    else if (!(std::abs(parsed.gainDb - expected.gainDb) <= kGainTolerance))
        field = "gainDb";
    else if (parsed.kind != expected.kind)
        field = "kind";
    else if (parsed.gainOffsetDb != expected.gainOffsetDb)
        field = "gainOffsetDb";
    else if (parsed.eqNumber != expected.eqNumber)
        field = "eqNumber";
    else if (!std::equal(std::begin(parsed.coeff), std::end(parsed.coeff), std::begin(expected.coeff)))
        field = "coeff";

    if (field == nullptr)
        return true;
    if (error)
        *error = QStringLiteral("0x09 round-trip mismatch filter=%1 field=%2")
                     .arg(expected.filterIndex)
                     .arg(QLatin1String(field));
    return false;
}

bool CbQaspEqEncoder::sendReport(HeadsetProtocol::IHidTransport *transport, const QByteArray &report,
                                 QString *error, const char *name)
{
    if (transport == nullptr) {
        if (error)
            *error = QStringLiteral("transport null");
        return false;
    }
    if (report.size() != kReportSize) {
        if (error)
            *error = QStringLiteral("internal: bad report size=%1 (%2)")
                         .arg(report.size())
                         .arg(QLatin1String(name ? name : "?"));
        return false;
    }
    // The decoder takes the report as is: no report-id byte in front.
    transport->sendData(kDataId, report, false);
    return true;
}

#include "protocol/EQData.h"

#include <QDebug>

#include <algorithm>

namespace HeadsetProtocol {

namespace {

constexpr int MinFrequency = 20;
constexpr int MaxFrequency = 20000;
constexpr int MaxGain = 1200;
constexpr int MinQ = 10;
constexpr int MaxQ = 1000;
constexpr int MaxTotalGain = 120;
constexpr int QorMaxBands = 8;
constexpr quint8 MobileIndex = 0xFF;

bool isCustomIndex(quint8 index)
{
    return index >= 100 && index <= 155;
}

bool arraySizeOk(size_t size, int bandCount, bool mayBeEmpty)
{
    return (mayBeEmpty && size == 0) || static_cast<int>(size) == bandCount;
}

QString hexCode(quint8 code)
{
    return QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0'));
}

void appendLe16(QByteArray &out, quint16 word)
{
    out.append(static_cast<char>(word & 0xFF));
    out.append(static_cast<char>(word >> 8));
}

} // namespace

bool validateEQData(const EQData &eq)
{
    const int bands = eq.bandCount;
    if (eq.index > 155 && eq.index != MobileIndex) {
        qWarning() << "Invalid EQ index:" << int(eq.index) << "(preset" << 0 << "-" << 10 << ", game" << 11 << "-"
                   << 99 << ", custom" << 100 << "-" << 155 << ", mobile 0xFF)";
        return false;
    }

    // A Qor custom record may also have 1-5 bands; presets, game and cloud EQs
    // keep their 6-10 in Qor mode too (the chain writes their first eight).
    const bool qorCustomBands = eq.qorCustom && isCustomIndex(eq.index) && bands >= 1 && bands <= QorMaxBands;
    if (!qorCustomBands && (bands < 6 || bands > 10)) {
        qWarning() << "Invalid band count:" << bands << "(expect 6-10, or QOR custom 1-8)";
        return false;
    }

    if (!arraySizeOk(eq.frequencies.size(), bands, false)) {
        qWarning() << "Frequencies array size mismatch:" << int(eq.frequencies.size()) << "!=" << bands;
        return false;
    }
    if (!arraySizeOk(eq.gains.size(), bands, true)) {
        qWarning() << "Gains array size mismatch:" << int(eq.gains.size()) << "!=" << bands;
        return false;
    }
    if (!arraySizeOk(eq.qValues.size(), bands, true)) {
        qWarning() << "Q values array size mismatch:" << int(eq.qValues.size()) << "!=" << bands;
        return false;
    }
    if (!arraySizeOk(eq.filterTypes.size(), bands, true)) {
        qWarning() << "Filter types array size mismatch:" << int(eq.filterTypes.size()) << "!=" << bands;
        return false;
    }

    for (size_t i = 0; i < eq.frequencies.size(); ++i) {
        const int f = eq.frequencies[i];
        if (f < MinFrequency || f > MaxFrequency) {
            qWarning() << "Invalid frequency at index" << int(i) << ":" << f << "Hz (should be " << MinFrequency << "-"
                       << MaxFrequency << "Hz)";
            return false;
        }
    }
    for (size_t i = 0; i < eq.gains.size(); ++i) {
        const int g = eq.gains[i];
        if (g < -MaxGain || g > MaxGain) {
            qWarning() << "Invalid gain at index" << int(i) << ":" << g / 100.0 << "dB (should be " << -12 << "-" << 12
                       << "dB)";
            return false;
        }
    }
    for (size_t i = 0; i < eq.qValues.size(); ++i) {
        const int q = eq.qValues[i];
        if (q < MinQ || q > MaxQ) {
            qWarning() << "Invalid Q value at index" << int(i) << ":" << q / 100.0 << "(should be " << 0.1 << "-" << 10
                       << ")";
            return false;
        }
    }
    const bool qaspCoding = eq.index == MobileIndex || eq.qorCustom;
    for (size_t i = 0; i < eq.filterTypes.size(); ++i) {
        const quint8 type = eq.filterTypes[i];
        if (qaspCoding && type > 5) {
            qWarning() << "Invalid QASP filter type at index" << int(i) << ":" << hexCode(type)
                       << "(should be 0-5 per QASP Filter_Type)";
            return false;
        }
        if (!qaspCoding && (type < 1 || type > 5)) {
            qWarning() << "Invalid filter type at index" << int(i) << ":" << hexCode(type) << "(should be 0x01-0x05)";
            return false;
        }
    }
    if (eq.totalGain < -MaxTotalGain || eq.totalGain > MaxTotalGain) {
        qWarning() << "Invalid total gain:" << eq.totalGain / 10.0 << "dB (should be " << -12 << "-" << 12 << "dB)";
        return false;
    }
    return true;
}

QByteArray serializeEQData(const EQData &eq)
{
    if (!validateEQData(eq)) {
        qWarning() << "Cannot convert invalid EQData to TLV";
        return {};
    }

    QByteArray out;
    out.reserve(87);
    appendTlv(out, EQTlv::Index, QByteArray(1, static_cast<char>(eq.index)));
    appendTlv(out, EQTlv::BandCount, QByteArray(1, static_cast<char>(eq.bandCount)));
    if (!eq.frequencies.empty()) {
        QByteArray value;
        for (const quint16 f : eq.frequencies)
            appendLe16(value, f);
        appendTlv(out, EQTlv::Frequencies, value);
    }
    if (!eq.gains.empty()) {
        QByteArray value;
        for (const qint16 g : eq.gains)
            appendLe16(value, static_cast<quint16>(std::clamp<int>(g, -MaxGain, MaxGain)));
        appendTlv(out, EQTlv::Gains, value);
    }
    if (!eq.qValues.empty()) {
        QByteArray value;
        for (const qint16 q : eq.qValues)
            appendLe16(value, static_cast<quint16>(std::clamp<int>(q, MinQ, MaxQ)));
        appendTlv(out, EQTlv::QValues, value);
    }
    if (!eq.filterTypes.empty()) {
        appendTlv(out, EQTlv::FilterTypes,
                  QByteArray(reinterpret_cast<const char *>(eq.filterTypes.data()),
                             static_cast<qsizetype>(eq.filterTypes.size())));
    }
    if (eq.totalGain != 0) {
        const auto gain = static_cast<qint8>(std::clamp<int>(eq.totalGain, -MaxTotalGain, MaxTotalGain));
        appendTlv(out, EQTlv::TotalGain, QByteArray(1, static_cast<char>(gain)));
    }
    return out;
}

std::optional<EQData> parseEQData(const TlvParser &parser)
{
    EQData eq;
    const std::optional<TlvEntry> index = parser.find(EQTlv::Index);
    if (!index || index->length != 1) {
        qWarning() << "Missing or invalid EQ index (Type 0x01, expect length 1)";
        return std::nullopt;
    }
    eq.index = static_cast<quint8>(index->value[0]);

    const std::optional<TlvEntry> bandCount = parser.find(EQTlv::BandCount);
    if (!bandCount) {
        qWarning() << "Missing band count (Type 0x02)";
        return std::nullopt;
    }
    eq.bandCount = bandCount->value.isEmpty() ? 0 : static_cast<quint8>(bandCount->value[0]);
    const int bands = eq.bandCount;

    if (const auto item = parser.find(EQTlv::Frequencies)) {
        std::vector<quint16> words = item->valueUInt16List();
        if (static_cast<int>(words.size()) != bands)
            qWarning() << "Frequency array size mismatch:" << int(words.size()) << "!=" << bands;
        else
            eq.frequencies = std::move(words);
    }
    if (const auto item = parser.find(EQTlv::Gains)) {
        const std::vector<quint16> words = item->valueUInt16List();
        if (static_cast<int>(words.size()) != bands) {
            qWarning() << "Gains array size mismatch:" << int(words.size()) << "!=" << bands;
        } else {
            for (const quint16 w : words)
                eq.gains.push_back(static_cast<qint16>(w));
        }
    }
    if (const auto item = parser.find(EQTlv::QValues); item && item->length == 2 * bands) {
        for (const quint16 w : item->valueUInt16List())
            eq.qValues.push_back(static_cast<qint16>(w));
    }
    if (const auto item = parser.find(EQTlv::FilterTypes); item && item->length == bands)
        eq.filterTypes = item->valueBytes();
    if (const auto item = parser.find(EQTlv::TotalGain); item && item->length == 1) {
        const int gain = static_cast<qint8>(item->value[0]);
        eq.totalGain = static_cast<qint16>(std::clamp(gain, -MaxTotalGain, MaxTotalGain));
    }

    if (!validateEQData(eq))
        qWarning() << "Parsed EQData failed validation, but returning parsed data";
    return eq;
}

} // namespace HeadsetProtocol

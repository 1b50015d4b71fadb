#include "protocol/CbQaspEqEncoder.h"

#include "protocol/CbQaspEqChainPlan.h"
#include "protocol/EQData.h"
#include "protocol/IHidTransport.h"

#include <QScopeGuard>
#include <QStringList>

#include <algorithm>
#include <cmath>

// The whole EQ write: guards, the dump log, building and checking the eleven
// reports, and handing them to the transport.

namespace {

constexpr quint8 kMobileIndex = 0xFF;
constexpr double kQ30Unit = 1.0 / 1073741824.0;

const QString kPolicyLine = QStringLiteral(
    "[QOR][CbQasp][EQ][Wire][Policy] 0x09 打包规则：fc 取整数 Hz 并限制在 20-20000，Q 四舍五入到两位小数，"
    "增益（dB）四舍五入到一位小数；系数为 5 个 32 位 Q30 定点字（小端），其后是 Q8.8 的 Q 与增益。"
    "[Src] 行是原始记录，[Wire] 行是实际打包的取整值。");

QString hex2(quint8 value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
}

QString hexDump(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString coefficientText(qint32 word)
{
    return QString::number(word * kQ30Unit, 'g', 9);
}

using LogFn = std::function<void(const QString &)>;

// Presets, game and cloud EQs have up to ten bands and the decoder eight
// filters: the bands past the eighth are not written. Those that would have
// shaped the sound are named, so a curve that plays differently can be traced.
void logBandsLeftOut(const HeadsetProtocol::EQData &eq, const LogFn &log)
{
    QStringList shaping;
    for (std::size_t band = CbQaspEqEncoder::kFilterSlots;
         band < eq.bandCount && CbQaspEqChainPlan::hasBand(eq, band); ++band) {
        const CbQaspEqEncoder::QaspFilterKind kind = CbQaspEqEncoder::kindForFilterByte(eq, eq.filterTypes[band]);
        const bool passFilter =
            kind == CbQaspEqEncoder::QaspFilterKind::LowPass || kind == CbQaspEqEncoder::QaspFilterKind::HighPass;
        if (kind == CbQaspEqEncoder::QaspFilterKind::Disabled || (eq.gains[band] == 0 && !passFilter))
            continue;
        shaping.append(QStringLiteral("Band%1(kind=%2 freq=%3Hz gain=%4dB)")
                           .arg(band)
                           .arg(static_cast<int>(kind))
                           .arg(eq.frequencies[band])
                           .arg(eq.gains[band] / 100.0, 0, 'f', 2));
    }
    if (shaping.isEmpty())
        return;
    log(QStringLiteral("[QOR][CbQasp][EQ][Src][LeftOut] bandCount=%1 exceeds the %2 hardware filters; not written: %3")
            .arg(eq.bandCount)
            .arg(CbQaspEqEncoder::kFilterSlots)
            .arg(shaping.join(QLatin1Char(' '))));
}

// High shelves boosted through the overall gain, one line each.
void logCarriedBoosts(const CbQaspEqChainPlan &plan, const LogFn &log)
{
    for (const CbQaspEqChainPlan::Slot &slot : plan.filters) {
        if (slot.carriedBoostDb == 0)
            continue;
        log(QStringLiteral("[QOR][CbQasp][EQ][Src][ShelfBoost] Band%1 high shelf +%2dB fc=%3Hz written as low shelf "
                           "%4dB with the high shelf's slope; overall gain +%5dB, b coefficients -%6dB")
                .arg(slot.packet.filterIndex)
                .arg(slot.requestedGainDb, 0, 'f', 1)
                .arg(slot.packet.fcHz)
                .arg(slot.packet.gainDb, 0, 'f', 1)
                .arg(slot.carriedBoostDb)
                .arg(slot.trimDb, 0, 'f', 1));
    }
}

// The record as it came in: summary, TLV form, one line per hardware slot, the overall gain.
void logSource(const HeadsetProtocol::EQData &eq, const QString &deviceId, const CbQaspEqChainPlan &plan,
               const LogFn &log)
{
    const QString policy = eq.qorCustom ? QStringLiteral("QASP_0_5") : QStringLiteral("LEGACY_TLV");
    log(QStringLiteral("[QOR][CbQasp][EQ][Dump] --- begin device=%1 Fs=%2Hz ---")
            .arg(deviceId, QString::number(CbQaspEqEncoder::kSampleRate, 'f', 0)));
    log(kPolicyLine);
    log(QStringLiteral("[QOR][CbQasp][EQ][Src][Summary] index=0x%1 bandCount=%2 totalGain(raw)=%3 "
                       "totalGain(dB)=%4")
            .arg(hex2(eq.index))
            .arg(eq.bandCount)
            .arg(eq.totalGain)
            .arg(eq.totalGain / 10.0, 0, 'f', 1));
    const QByteArray tlv = HeadsetProtocol::serializeEQData(eq);
    log(QStringLiteral("[QOR][CbQasp][EQ][Src][TLV] bytes=%1 hex=%2").arg(tlv.size()).arg(hexDump(tlv)));
    for (int slot = 0; slot < CbQaspEqEncoder::kFilterSlots; ++slot) {
        if (!CbQaspEqChainPlan::hasBand(eq, slot)) {
            log(QStringLiteral("[QOR][CbQasp][EQ][Src][Band%1] <unused_hw_slot> (Filter_Type=disable)").arg(slot));
            continue;
        }
        log(QStringLiteral("[QOR][CbQasp][EQ][Src][Band%1] freq=%2Hz gain_raw=%3 (=%4 dB) q_raw=%5 (=%6) "
                           "filter_raw=0x%7 (%8)")
                .arg(slot)
                .arg(eq.frequencies[slot])
                .arg(eq.gains[slot])
                .arg(eq.gains[slot] / 100.0, 0, 'f', 3)
                .arg(eq.qValues[slot])
                .arg(eq.qValues[slot] / 100.0, 0, 'f', 3)
                .arg(hex2(eq.filterTypes[slot]), policy)
                .toUpper());
    }
    logBandsLeftOut(eq, log);
    logCarriedBoosts(plan, log);
    log(QStringLiteral("[QOR][CbQasp][EQ][Src][MainGain] totalGain(raw)=%1 → Filter_Gain_Offset/0x03(dB)=%2 "
                       "mode=all_8_bands_offset+0x03(no_0x07)")
            .arg(eq.totalGain)
            .arg(plan.overallGainDb));
}

// The snapped values and words actually packed for one slot, and the report.
void logFilterReport(const CbQaspEqEncoder::FilterPacket09 &packet, bool bypass, const QByteArray &report,
                     const LogFn &log)
{
    log(QStringLiteral("[QOR][CbQasp][EQ][Wire][Band%1] EQ_index=0x%2 Filter_index=%3 EQ_Number=0x%4 "
                       "fc_int=%5Hz q_2dp=%6 gainDb_1dp=%7 kind=%8 coeffBypass=%9 filterGainOffsetDb=%10 "
                       "b0=%11 b1=%12 b2=%13 a1=%14 a2=%15")
            .arg(packet.filterIndex)
            .arg(hex2(packet.eqIndex))
            .arg(packet.filterIndex)
            .arg(hex2(packet.eqNumber))
            .arg(packet.fcHz)
            .arg(packet.q, 0, 'f', 2)
            .arg(packet.gainDb, 0, 'f', 1)
            .arg(packet.kind)
            .arg(bypass ? 1 : 0)
            .arg(packet.gainOffsetDb)
            .arg(coefficientText(packet.coeff[0]), coefficientText(packet.coeff[1]),
                 coefficientText(packet.coeff[2]), coefficientText(packet.coeff[3]),
                 coefficientText(packet.coeff[4])));
    log(QStringLiteral("[QOR][CbQasp][EQ][Pkt][0x09 #%1] bytes=%2 hex=%3")
            .arg(packet.filterIndex)
            .arg(report.size())
            .arg(hexDump(report)));
}

} // namespace

CbQaspEqEncoder::QaspFilterKind CbQaspEqEncoder::kindForFilterByte(const HeadsetProtocol::EQData &eq,
                                                                    quint8 filterByte)
{
    if (eq.qorCustom || eq.index == kMobileIndex) {
        return filterByte <= static_cast<quint8>(QaspFilterKind::HighPass) ? QaspFilterKind(filterByte)
                                                                           : QaspFilterKind::Peaking;
    }
    // Every other record carries the standard coding (1 peaking, 2 low-pass,
    // 3 high-pass, 4 low shelf, 5 high shelf), whatever its index.
    switch (filterByte) {
    case 2:
        return QaspFilterKind::LowPass;
    case 3:
        return QaspFilterKind::HighPass;
    case 4:
        return QaspFilterKind::LowShelf;
    case 5:
        return QaspFilterKind::HighShelf;
    default:
        return QaspFilterKind::Peaking;
    }
}

qint8 CbQaspEqEncoder::gainOffsetDb(qint16 totalGainTenthsDb)
{
    return static_cast<qint8>(std::clamp<long>(std::lround(totalGainTenthsDb / 10.0), -128, 127));
}

bool CbQaspEqEncoder::buildChain(HeadsetProtocol::IHidTransport *transport, const QString &deviceId,
                                 const HeadsetProtocol::EQData &eq, QString *error,
                                 const std::function<void(const QString &)> &log, int *reportsHanded)
{
    int handed = 0;
    const auto reportHanded = qScopeGuard([&] {
        if (reportsHanded)
            *reportsHanded = handed;
    });
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };

    if (transport == nullptr)
        return fail(QStringLiteral("transport null"));
    if (deviceId.isEmpty() || deviceId != transport->currentDeviceId())
        return fail(QStringLiteral("device mismatch or not connected"));
    if (!HeadsetProtocol::validateEQData(eq))
        return fail(QStringLiteral("eq data invalid"));
    const std::size_t bands = eq.bandCount;
    if (bands != 0
        && (eq.gains.size() != bands || eq.qValues.size() != bands || eq.filterTypes.size() != bands)) {
        return fail(QStringLiteral("QOR EQ: gains/qValues/filterTypes must match bandCount=%1 (got gain=%2 q=%3 "
                                   "type=%4); incomplete TLV leaves bands as Disable → silence/wrong curve")
                        .arg(bands)
                        .arg(eq.gains.size())
                        .arg(eq.qValues.size())
                        .arg(eq.filterTypes.size()));
    }

    // Every report is worked out and checked before the first one goes out, so
    // a write that cannot be made leaves the decoder's filters as they were.
    const CbQaspEqChainPlan plan = CbQaspEqChainPlan::of(eq);
    const qint8 gainOffset = static_cast<qint8>(plan.overallGainDb);
    if (log)
        logSource(eq, deviceId, plan, log);
    if (plan.refusal == CbQaspEqChainPlan::Refusal::OverallGainOutOfRange) {
        return fail(QStringLiteral("overall gain out of range: %1 dB with the high-shelf boosts it carries "
                                   "(Filter_Gain_Offset holds %2..%3)")
                        .arg(gainOffsetDb(eq.totalGain) + plan.carriedBoostDb)
                        .arg(CbQaspEqChainPlan::kMinOverallGainDb)
                        .arg(CbQaspEqChainPlan::kMaxOverallGainDb));
    }

    QByteArray reports[kChainReportCount];
    const char *const names[kChainReportCount] = {"0x09", "0x09", "0x09", "0x09", "0x09", "0x09",
                                                   "0x09", "0x09", "0x03", "0x0A", "0x01"};
    for (int slot = 0; slot < kFilterSlots; ++slot) {
        const CbQaspEqChainPlan::Slot &planned = plan.filters[slot];
        const FilterPacket09 &packet = planned.packet;
        if (plan.refusedSlot == slot && plan.refusal == CbQaspEqChainPlan::Refusal::DesignFailed)
            return fail(QStringLiteral("biquad design failed filter=%1").arg(slot));
        // A clipped coefficient would play a different, often much louder, curve.
        if (plan.refusedSlot == slot) {
            return fail(QStringLiteral("biquad out of range filter=%1 (kind=%2 fc=%3Hz gain=%4dB): a coefficient "
                                       "exceeds the Q2.30 range")
                            .arg(slot)
                            .arg(packet.kind)
                            .arg(packet.fcHz)
                            .arg(packet.gainDb, 0, 'f', 1));
        }

        const QByteArray report = buildFilterPacket09(packet);
        if (log)
            logFilterReport(packet, planned.bypass, report, log);
        // The check is against the filter written, a rewritten shelf included.
        if (!verifyFilterPacket(report, packet, error))
            return false;
        reports[slot] = report;
    }

    reports[kFilterSlots] = buildGainPacket03(gainOffset);
    reports[kFilterSlots + 1] = buildPacket0A(0x00, 0xFF, 0xFF);
    reports[kFilterSlots + 2] = buildPacket01();
    if (log) {
        log(QStringLiteral("[QOR][CbQasp][EQ][Pkt][0x03] bytes=%1 hex=%2 gainDb=%3 (same as each-band "
                           "Filter_Gain_Offset)")
                .arg(reports[kFilterSlots].size())
                .arg(hexDump(reports[kFilterSlots]))
                .arg(gainOffset));
        log(QStringLiteral("[QOR][CbQasp][EQ][Pkt][0x0A] bytes=%1 hex=%2")
                .arg(reports[kFilterSlots + 1].size())
                .arg(hexDump(reports[kFilterSlots + 1])));
        log(QStringLiteral("[QOR][CbQasp][EQ][Pkt][0x01] bytes=%1 hex=%2")
                .arg(reports[kFilterSlots + 2].size())
                .arg(hexDump(reports[kFilterSlots + 2])));
    }

    for (int i = 0; i < kChainReportCount; ++i) {
        if (!sendReport(transport, reports[i], error, names[i]))
            return false;
        ++handed;
    }
    if (log)
        log(QStringLiteral("[QOR][CbQasp][EQ][Dump] --- end (enqueued) ---"));
    return true;
}

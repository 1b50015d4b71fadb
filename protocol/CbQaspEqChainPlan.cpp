#include "protocol/CbQaspEqChainPlan.h"

#include "protocol/EQData.h"

#include <algorithm>
#include <cmath>

namespace {

// A slot past the record's bands is bypassed with these on the wire.
constexpr quint16 kDefaultFcHz = 1000;
constexpr double kDefaultQ = 0.71;

} // namespace

bool CbQaspEqChainPlan::hasBand(const HeadsetProtocol::EQData &eq, std::size_t slot)
{
    return slot < eq.frequencies.size() && slot < eq.gains.size() && slot < eq.qValues.size()
        && slot < eq.filterTypes.size();
}

bool CbQaspEqChainPlan::overallGain(qint16 totalGainTenthsDb, int carriedBoostDb, int *overallDb)
{
    const int total = CbQaspEqEncoder::gainOffsetDb(totalGainTenthsDb) + carriedBoostDb;
    if (overallDb)
        *overallDb = std::clamp(total, kMinOverallGainDb, kMaxOverallGainDb);
    return total >= kMinOverallGainDb && total <= kMaxOverallGainDb;
}

CbQaspEqChainPlan CbQaspEqChainPlan::of(const HeadsetProtocol::EQData &eq)
{
    CbQaspEqChainPlan plan;
    for (int index = 0; index < CbQaspEqEncoder::kFilterSlots; ++index) {
        quint16 fc = kDefaultFcHz;
        double q = kDefaultQ;
        double gainDb = 0.0;
        Kind kind = Kind::Disabled;
        if (static_cast<std::size_t>(index) < eq.bandCount && hasBand(eq, index)) {
            fc = eq.frequencies[index];
            gainDb = eq.gains[index] / 100.0;
            q = eq.qValues[index] / 100.0;
            kind = CbQaspEqEncoder::kindForFilterByte(eq, eq.filterTypes[index]);
        }
        CbQaspEqEncoder::snapWireValues(fc, q, gainDb); // also clamps fc to 20..20000

        Slot &slot = plan.filters[index];
        slot.packet.valid = true;
        slot.packet.filterIndex = static_cast<quint8>(index);
        slot.packet.fcHz = fc;
        slot.packet.q = q;
        slot.packet.gainDb = gainDb;
        slot.packet.kind = static_cast<quint8>(kind);
        slot.packet.eqNumber = eq.index;
        slot.requestedKind = kind;
        slot.requestedGainDb = gainDb;
        const Refusal refusal = planSlot(slot);
        if (refusal != Refusal::None) {
            plan.refusal = refusal;
            plan.refusedSlot = index;
            break;
        }
        plan.carriedBoostDb += slot.carriedBoostDb;
    }
    const bool gainFits = overallGain(eq.totalGain, plan.carriedBoostDb, &plan.overallGainDb);
    for (Slot &slot : plan.filters)
        slot.packet.gainOffsetDb = static_cast<qint8>(plan.overallGainDb);
    if (plan.accepted() && !gainFits)
        plan.refusal = Refusal::OverallGainOutOfRange;
    return plan;
}

CbQaspEqChainPlan::Refusal CbQaspEqChainPlan::planSlot(Slot &slot)
{
    CbQaspEqEncoder::FilterPacket09 &packet = slot.packet;
    slot.bypass = slot.requestedKind == Kind::Disabled;
    if (slot.bypass)
        return Refusal::None; // five zero words
    bool saturated = false;
    if (slot.requestedKind == Kind::HighShelf && slot.requestedGainDb > 0.0) {
        const double boostDb = slot.requestedGainDb;
        slot.carriedBoostDb = static_cast<int>((std::lround(boostDb * 10.0) + 9) / 10);
        slot.trimDb = slot.carriedBoostDb - boostDb;
        double c[5];
        if (!CbQaspEqEncoder::designHighShelfBoostAsCut(packet.fcHz, boostDb, c))
            return Refusal::DesignFailed;
        const double trim = std::pow(10.0, -slot.trimDb / 20.0);
        packet.kind = static_cast<quint8>(Kind::LowShelf);
        packet.gainDb = -boostDb;
        if (!CbQaspEqEncoder::packCoefficients(c[0] * trim, c[1] * trim, c[2] * trim, c[3], c[4], packet.coeff,
                                               &saturated))
            return Refusal::DesignFailed;
    } else if (!CbQaspEqEncoder::designBiquad(CbQaspEqEncoder::kSampleRate, slot.requestedKind, packet.fcHz,
                                              packet.q, packet.gainDb, packet.coeff, &saturated)) {
        return Refusal::DesignFailed;
    }
    return saturated ? Refusal::BandOutOfRange : Refusal::None;
}

#pragma once

#include "protocol/CbQaspEqEncoder.h"

#include <cstddef>

namespace HeadsetProtocol {
struct EQData;
}

// What one Qor EQ write puts on the wire, worked out before any report goes
// out: per hardware slot the fields and coefficient words of its 0x09 report,
// and the overall gain that every 0x09 and the 0x03 carry.
//
// No Q2.30 biquad holds a high-shelf boost at most corners (its b
// coefficients pass 2.0), but a high shelf of +g dB is a flat +g dB times the
// low shelf of -g dB at the same corner and slope, and every such cut fits.
// So a boosted high shelf is written as that cut, its report saying so (low
// shelf, -g dB), and the boost goes into the overall gain, which travels in
// whole dB: raised by g rounded up, the remainder (under 1 dB) taken off that
// band's b coefficients. Boosted shelves add up.
//
// Pure arithmetic on the record's first eight bands; the record's own guards
// (validity, array sizes) are the chain's.
class CbQaspEqChainPlan
{
public:
    using Kind = CbQaspEqEncoder::QaspFilterKind;

    enum class Refusal {
        None,
        DesignFailed,          // a coefficient came out infinite or NaN
        BandOutOfRange,        // a coefficient lies outside what Q2.30 holds
        OverallGainOutOfRange, // the boosts carried push the overall gain past -128..127 dB
    };

    static constexpr int kMinOverallGainDb = -128;
    static constexpr int kMaxOverallGainDb = 127;

    struct Slot
    {
        // As written: kind, snapped fc, Q and gain of the filter the words hold.
        CbQaspEqEncoder::FilterPacket09 packet;
        bool bypass = true;
        // The band as the record asks for it (snapped).
        Kind requestedKind = Kind::Disabled;
        double requestedGainDb = 0.0;
        // Whole dB this band moved into the overall gain, and the part of it
        // taken off its b coefficients again.
        int carriedBoostDb = 0;
        double trimDb = 0.0;
    };

    static CbQaspEqChainPlan of(const HeadsetProtocol::EQData &eq);

    // The record's overall gain plus the boosts carried; false outside -128..127.
    static bool overallGain(qint16 totalGainTenthsDb, int carriedBoostDb, int *overallDb);
    // Whether the record holds all four values of band `slot`.
    static bool hasBand(const HeadsetProtocol::EQData &eq, std::size_t slot);

    bool accepted() const { return refusal == Refusal::None; }

    Slot filters[CbQaspEqEncoder::kFilterSlots];
    int carriedBoostDb = 0; // all slots' together
    int overallGainDb = 0;  // in -128..127 even when refused
    Refusal refusal = Refusal::None;
    // The first slot that cannot be written; -1 for none or for the overall gain.
    int refusedSlot = -1;

private:
    // Designs one slot into `slot`; the refusal, if any.
    static Refusal planSlot(Slot &slot);
};

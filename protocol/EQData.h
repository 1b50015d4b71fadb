#pragma once

#include "protocol/TlvParser.h"

#include <QByteArray>
#include <QMetaType>

#include <optional>
#include <vector>

namespace HeadsetProtocol {

// The one representation of an equaliser setting: built by the EQ pages,
// sent as the TLV payload of command 0x20, reported back by the headset.
struct EQData
{
    quint8 index = 0; // 0-10 preset, 11-99 game, 100-155 custom, 0xFF mobile
    quint8 bandCount = 0;
    std::vector<quint16> frequencies; // Hz, 20-20000
    std::vector<qint16> gains;        // 0.01 dB, -1200..1200; may be empty
    std::vector<qint16> qValues;      // Q x 100, 10..1000; may be empty
    // Standard coding 1-5 (peaking, low-pass, high-pass, low shelf, high shelf),
    // or the Qasp coding 0-5 for the mobile EQ and Qor custom records; may be empty.
    std::vector<quint8> filterTypes;
    bool qorCustom = false; // set by the caller, never on the wire: Qor custom EQ, 1-8 bands
    qint16 totalGain = 0;   // 0.1 dB, -120..120

    friend bool operator==(const EQData &, const EQData &) = default;
};

// TLV item types of the EQ record.
namespace EQTlv {
inline constexpr quint8 Index = 0x01;
inline constexpr quint8 BandCount = 0x02;
inline constexpr quint8 Frequencies = 0x03;
inline constexpr quint8 Gains = 0x04;
inline constexpr quint8 QValues = 0x05;
inline constexpr quint8 FilterTypes = 0x06;
inline constexpr quint8 TotalGain = 0x07;
} // namespace EQTlv

// True when the record obeys every rule; logs one warning for the first rule broken.
bool validateEQData(const EQData &eq);

// The TLV form, or an empty array for an invalid record.
QByteArray serializeEQData(const EQData &eq);

// Lenient: a record the headset reports comes back even when it breaks the
// rules; only a missing index or band count yields nothing.
std::optional<EQData> parseEQData(const TlvParser &parser);

} // namespace HeadsetProtocol

Q_DECLARE_METATYPE(HeadsetProtocol::EQData)

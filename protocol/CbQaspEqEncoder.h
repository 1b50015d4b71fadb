#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

namespace HeadsetProtocol {
class IHidTransport;
struct EQData;
} // namespace HeadsetProtocol

// Writes an EQ to the Qor decoder, which takes no framed commands: every write is
// eight biquad filter reports (0x09), the overall gain (0x03) and two closing
// reports (0x0A, 0x01), 64 bytes each, handed straight to the HID transport.
// The filters are designed here in double precision at the decoder's fixed rate.
class CbQaspEqEncoder
{
public:
    enum class QaspFilterKind : quint8 {
        Disabled = 0,
        LowShelf = 1,
        Peaking = 2,
        HighShelf = 3,
        LowPass = 4,
        HighPass = 5,
    };

    // One 0x09 report, as parsed back for the self-check.
    struct FilterPacket09
    {
        bool valid = false;
        quint8 eqIndex = 0;
        quint8 filterIndex = 0;
        qint32 coeff[5] = {0, 0, 0, 0, 0}; // b0, b1, b2, -a1, -a2 in Q2.30
        quint16 fcHz = 0;
        double q = 0.0;
        double gainDb = 0.0;
        quint8 kind = 0;
        qint8 gainOffsetDb = 0;
        quint8 eqNumber = 0;
    };

    static constexpr double kSampleRate = 96000.0;
    static constexpr int kFilterSlots = 8;
    static constexpr int kChainReportCount = kFilterSlots + 3;
    static constexpr int kReportSize = 64;
    static constexpr int kMaxPayload = kReportSize - 4;
    static constexpr quint8 kReportTag = 0x4B;
    static constexpr quint8 kReportByte1 = 0x01;
    static constexpr quint8 kPacketFilter = 0x09;
    static constexpr quint8 kPacketGain = 0x03;
    static constexpr quint8 kPacket0A = 0x0A;
    static constexpr quint8 kPacket01 = 0x01;
    static constexpr int kFilterPayloadLength = 33;
    static constexpr quint16 kMinFcHz = 20;
    static constexpr quint16 kMaxFcHz = 20000;
    // Data id of every chain report; the transport reports each write under it.
    static inline const QString kDataId = QStringLiteral("cb-qasp-eq");

    CbQaspEqEncoder() = delete;

    // --- Filter design and coefficient coding -------------------------------

    // Rounds fc to whole Hz (clamped to 20..20000), Q to 2 and gain to 1 decimal.
    static void snapWireValues(quint16 &fc, double &q, double &gainDb);
    static quint16 snapFrequency(double fcHz);

    // Normalised (a0 = 1) b0, b1, b2, a1, a2 of a band at 96 kHz in double
    // precision; a disabled band is the identity. No allocation.
    static bool designCoefficients(QaspFilterKind kind, double fc, double q, double gainDb, double out[5]);
    // The low-shelf cut of -boostDb at fc with the high shelf's slope: times a
    // flat +boostDb it is the high-shelf boost, and unlike that one its
    // coefficients fit Q2.30 at every corner.
    static bool designHighShelfBoostAsCut(double fc, double boostDb, double out[5]);
    // Writes b0, b1, b2, -a1, -a2 as Q2.30 words. Always designs at 96 kHz, the
    // decoder's only rate; a disabled band is five zero words. `saturated`, when
    // given, tells whether a coefficient lay outside what the words can carry.
    static bool designBiquad(double sampleRate, QaspFilterKind kind, double fc, double q, double gainDb,
                             qint32 out[5], bool *saturated = nullptr);
    static bool packCoefficients(double b0, double b1, double b2, double a1, double a2, qint32 out[5],
                                 bool *saturated = nullptr);
    // Saturating Q2.30 quantisation of five values; false when one saturated.
    static bool toQ30Words(const double values[5], qint32 out[5]);

    static quint16 toQWord(double q);
    static qint16 toGainWord(double gainDb);

    // --- Reports ------------------------------------------------------------

    // 64 bytes: 0x4B, byte1, packet id, payload length, payload, zero fill.
    // Empty when the payload exceeds 60 bytes.
    static QByteArray buildReport(quint8 byte1, quint8 packetId, const QByteArray &payload);
    // q and gainDb are rounded to 2 and 1 decimals again before taking their words.
    static QByteArray buildFilterPacket09(const FilterPacket09 &packet);
    static QByteArray buildGainPacket03(double gainDb);
    static QByteArray buildPacket0A(quint8 byte0, quint8 byte2, quint8 byte3);
    static QByteArray buildPacket01();

    static bool parseFilterPacket09(const QByteArray &report, FilterPacket09 &out);
    // Parses the report back and compares it with the snapped values it was built from.
    static bool verifyFilterPacket(const QByteArray &report, const FilterPacket09 &expected, QString *error);

    static bool sendReport(HeadsetProtocol::IHidTransport *transport, const QByteArray &report, QString *error,
                           const char *name);

    // --- The chain ----------------------------------------------------------

    // Builds and hands all eleven reports to the transport; true once the last
    // one was handed over (delivery is reported later by the transport's
    // dataSent with kDataId). The record's first eight bands fill the eight
    // filters (the rest are bypassed); a ninth and tenth band are not written.
    // What each report carries is CbQaspEqChainPlan's; a write it refuses
    // (a band whose coefficients fall outside Q2.30, an overall gain past a
    // signed byte) sends nothing.
    // `reportsHanded`, when given, receives how many reports went to the
    // transport, also on a failure part way.
    static bool buildChain(HeadsetProtocol::IHidTransport *transport, const QString &deviceId,
                           const HeadsetProtocol::EQData &eq, QString *error,
                           const std::function<void(const QString &)> &log, int *reportsHanded = nullptr);

    // Qasp kind of a record's filter byte: standard codes 1-5 are mapped unless
    // the record already carries the Qasp coding (Qor custom or index 0xFF).
    static QaspFilterKind kindForFilterByte(const HeadsetProtocol::EQData &eq, quint8 filterByte);
    // Overall gain in whole dB from the record's total gain in 0.1 dB.
    static qint8 gainOffsetDb(qint16 totalGainTenthsDb);
};

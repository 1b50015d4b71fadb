#include "protocol/CbQaspEqChainPlan.h"
#include "protocol/CbQaspEqEncoder.h"
#include "protocol/EQData.h"
#include "tests/protocol/qasp/RbjReference.h"
#include "tests/protocol/qasp/RecordingTransport.h"
#include "tests/support/virtualqor/VirtualQorDevice.h"

#include <QtTest>

#include <cmath>

using HeadsetProtocol::EQData;

namespace {

const QString kDevice = QStringLiteral("\\\\?\\hid#vid_3302&pid_c20e&mi_00#7&1a2b3c4d&0&0000");

struct Band
{
    quint16 fc;
    qint16 gain; // 0.01 dB
    qint16 q;    // x 100
    quint8 type;
};

EQData makeEq(quint8 index, bool qorCustom, const QList<Band> &bands, qint16 totalGain = 0)
{
    EQData eq;
    eq.index = index;
    eq.qorCustom = qorCustom;
    eq.bandCount = static_cast<quint8>(bands.size());
    eq.totalGain = totalGain;
    for (const Band &b : bands) {
        eq.frequencies.push_back(b.fc);
        eq.gains.push_back(b.gain);
        eq.qValues.push_back(b.q);
        eq.filterTypes.push_back(b.type);
    }
    return eq;
}

// Standard six-band preset shape (standard filter coding).
EQData presetSixBands()
{
    return makeEq(3, false,
                  {{60, 450, 71, 4}, {250, -300, 141, 1}, {1000, 200, 100, 1}, {3000, -150, 200, 1},
                   {8000, -600, 71, 5}, {16000, 0, 71, 2}});
}

struct Chain
{
    VirtualDevices::VirtualQorDevice device;
    RecordingTransport transport{kDevice, &device};
    QStringList log;
    QString error;
    int handed = -1;

    bool write(const EQData &eq)
    {
        return CbQaspEqEncoder::buildChain(&transport, kDevice, eq, &error,
                                           [this](const QString &line) { log.append(line); }, &handed);
    }
};

QString joined(const std::vector<std::string> &lines)
{
    QStringList out;
    for (const std::string &l : lines)
        out.append(QString::fromStdString(l));
    return out.join(QLatin1Char('\n'));
}

} // namespace

// The Qor EQ chain end to end against the virtual decoder.
class TestCbQaspEqChain : public QObject
{
    Q_OBJECT

private slots:
    void decodedResponseMatchesRequest_data();
    void decodedResponseMatchesRequest();
    void reportsInOrderWithBypassSlots();
    void gainOffset_data();
    void gainOffset();
    void filterKinds_data();
    void filterKinds();
    void guards_data();
    void guards();
    void firstEightBandsWritten_data();
    void firstEightBandsWritten();
    void highShelfBoosts_data();
    void highShelfBoosts();
    void overallGainCarriesTheBoosts_data();
    void overallGainCarriesTheBoosts();
    void unwritableBandSendsNothing();
    void logLines();
    void nextWriteReplacesEveryFilter();
};

void TestCbQaspEqChain::decodedResponseMatchesRequest_data()
{
    QTest::addColumn<EQData>("eq");
    // Qasp kinds the test expects for each band, written out rather than derived.
    QTest::addColumn<QList<int>>("kinds");

    QTest::newRow("qor custom, eight mixed bands")
        << makeEq(120, true,
                  {{32, 600, 71, 1},
                   {64, -350, 150, 2},
                   {125, 275, 300, 2},
                   {500, -1200, 1000, 2},
                   {2000, 425, 50, 2},
                   {6000, -800, 71, 3},
                   {18000, 0, 71, 4},
                   {25, 0, 50, 5}},
                  -35)
        << QList<int>{1, 2, 2, 2, 2, 3, 4, 5};
    QTest::newRow("qor custom, one band at the low edge")
        << makeEq(100, true, {{20, 1200, 1000, 2}}) << QList<int>{2};
    QTest::newRow("qor custom, bypassed band among others")
        << makeEq(155, true, {{100, 300, 71, 0}, {1000, -300, 200, 2}, {20000, -1200, 10, 2}}, 120)
        << QList<int>{0, 2, 2};
    QTest::newRow("preset, standard coding") << presetSixBands() << QList<int>{1, 2, 2, 2, 3, 4};
    QTest::newRow("mobile, Qasp coding")
        << makeEq(0xFF, false,
                  {{40, 800, 71, 1}, {200, -225, 120, 2}, {1200, 150, 80, 2}, {4000, 0, 71, 0},
                   {9000, -450, 71, 3}, {30, 0, 71, 5}})
        << QList<int>{1, 2, 2, 0, 3, 5};
    QTest::newRow("game, standard coding, passes")
        << makeEq(42, false,
                  {{80, 0, 71, 3}, {160, 350, 90, 1}, {900, -250, 400, 1}, {2500, 500, 250, 1},
                   {7000, -700, 60, 5}, {14000, 0, 90, 2}})
        << QList<int>{5, 2, 2, 2, 3, 4};
}

void TestCbQaspEqChain::decodedResponseMatchesRequest()
{
    QFETCH(EQData, eq);
    QFETCH(QList<int>, kinds);

    Chain chain;
    QVERIFY2(chain.write(eq), qPrintable(chain.error));
    QCOMPARE(chain.handed, CbQaspEqEncoder::kChainReportCount);
    QVERIFY2(chain.device.errors().empty(), qPrintable(joined(chain.device.errors())));
    QCOMPARE(chain.device.completedWrites(), 1);

    // Reference: the requested bands (gains in 0.01 dB) with textbook formulas.
    // Allowed difference at each point: what half a Q2.30 step in every
    // coefficient can move, plus the gain rounding to 0.1 dB on the wire (a
    // band's response in dB moves by no more than its gain does).
    constexpr double kHalfStep = 0.5 / 1073741824.0;
    double gainRounding = 0.0;
    QList<RbjReference::Biquad> reference;
    for (int i = 0; i < eq.bandCount; ++i) {
        const double gainDb = eq.gains[i] / 100.0;
        gainRounding += std::abs(gainDb - std::round(gainDb * 10.0) / 10.0);
        if (kinds[i] != 0) {
            reference.append(RbjReference::design(RbjReference::Shape(kinds[i]), 96000.0, eq.frequencies[i],
                                                  eq.qValues[i] / 100.0, gainDb));
        }
    }
    for (double f : RbjReference::thirdOctavePoints()) {
        double want = 0.0;
        double tolerance = gainRounding + 1e-9;
        for (const auto &b : reference) {
            want += RbjReference::magnitudeDb(b, f, 96000.0);
            tolerance += RbjReference::quantisationBoundDb(b, f, 96000.0, kHalfStep);
        }
        const double got = chain.device.filterResponseDb(f);
        // Deep in a pass filter's stop band both are far below anything audible.
        if (want < -60.0 && got < -60.0)
            continue;
        QVERIFY2(std::abs(got - want) <= tolerance,
                 qPrintable(QStringLiteral("f=%1 Hz device=%2 dB requested=%3 dB tolerance=%4 dB")
                                .arg(f)
                                .arg(got)
                                .arg(want)
                                .arg(tolerance)));
    }
    QCOMPARE(chain.device.overallGainDb(), double(CbQaspEqEncoder::gainOffsetDb(eq.totalGain)));
}

void TestCbQaspEqChain::reportsInOrderWithBypassSlots()
{
    Chain chain;
    const EQData eq = makeEq(0x70, true, {{100, 300, 71, 1}, {1000, -200, 141, 2}, {9000, 150, 71, 3}}, 35);
    // A cut, so that slot 2 goes out as the high shelf it is (a boost is rewritten, see highShelfBoosts).
    EQData cut = eq;
    cut.gains[2] = -150;
    QVERIFY2(chain.write(cut), qPrintable(chain.error));

    QCOMPARE(chain.transport.writes.size(), 11);
    QByteArray ids;
    for (const auto &w : chain.transport.writes) {
        QCOMPARE(w.dataId, QStringLiteral("cb-qasp-eq"));
        QVERIFY(!w.prependReportId);
        QCOMPARE(w.data.size(), 64);
        ids.append(w.data[2]);
    }
    QCOMPARE(ids.toHex(), QByteArray("0909090909090909030a01"));

    const auto held = chain.device.filterSlots();
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(chain.transport.writes[i].data[5], char(i));
        QCOMPARE(held[i].eqNumber, quint8(0x70));
        QCOMPARE(held[i].gainOffsetDb, qint8(4));
    }
    QCOMPARE(held[0].kind, quint8(1));
    QCOMPARE(held[2].kind, quint8(3));
    for (int i = 3; i < 8; ++i) {
        QCOMPARE(held[i].kind, quint8(0));
        QCOMPARE(held[i].fcHz, quint16(1000));
        QCOMPARE(held[i].qWord, quint16(182));
        QCOMPARE(held[i].gainWord, qint16(0));
        QVERIFY(held[i].words == (std::array<std::int32_t, 5>{}));
    }
    QCOMPARE(chain.transport.writes[9].data.mid(3, 5), QByteArray::fromHex("040000ffff"));
    QCOMPARE(chain.transport.writes[10].data[3], char(0));
}

void TestCbQaspEqChain::gainOffset_data()
{
    QTest::addColumn<int>("totalGain");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("payload03");
    QTest::newRow("3.5 dB rounds up") << 35 << 4 << QByteArray::fromHex("0004");
    QTest::newRow("-3.5 dB rounds away from zero") << -35 << -4 << QByteArray::fromHex("00fc");
    QTest::newRow("+12 dB") << 120 << 12 << QByteArray::fromHex("000c");
    QTest::newRow("-12 dB") << -120 << -12 << QByteArray::fromHex("00f4");
    QTest::newRow("0.4 dB rounds to 0") << 4 << 0 << QByteArray::fromHex("0000");
    QTest::newRow("-0.5 dB") << -5 << -1 << QByteArray::fromHex("00ff");
}

void TestCbQaspEqChain::gainOffset()
{
    QFETCH(int, totalGain);
    QFETCH(int, offset);
    QFETCH(QByteArray, payload03);
    Chain chain;
    QVERIFY2(chain.write(makeEq(100, true, {{1000, 0, 71, 2}}, qint16(totalGain))), qPrintable(chain.error));
    for (int i = 0; i < 8; ++i)
        QCOMPARE(qint8(chain.transport.writes[i].data[35]), qint8(offset));
    QCOMPARE(chain.transport.writes[8].data.mid(3, 3), QByteArray(1, '\x02') + payload03);
    QCOMPARE(chain.device.overallGainWord(), qint16(offset * 256));
}

void TestCbQaspEqChain::filterKinds_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("qorCustom");
    QTest::addColumn<QList<int>>("types");
    QTest::addColumn<QList<int>>("kinds");
    const QList<int> standard{1, 2, 3, 4, 5, 1};
    const QList<int> mapped{2, 4, 5, 1, 3, 2};
    QTest::newRow("preset: standard codes mapped") << 0 << false << standard << mapped;
    QTest::newRow("game: standard codes mapped") << 99 << false << standard << mapped;
    QTest::newRow("custom, not Qor: standard codes mapped") << 100 << false << standard << mapped;
    QTest::newRow("Qor custom: Qasp codes as they are")
        << 130 << true << QList<int>{0, 1, 2, 3, 4, 5} << QList<int>{0, 1, 2, 3, 4, 5};
    QTest::newRow("mobile: Qasp codes as they are")
        << 0xFF << false << QList<int>{5, 4, 3, 2, 1, 0} << QList<int>{5, 4, 3, 2, 1, 0};
}

void TestCbQaspEqChain::filterKinds()
{
    QFETCH(int, index);
    QFETCH(bool, qorCustom);
    QFETCH(QList<int>, types);
    QFETCH(QList<int>, kinds);
    QList<Band> bands;
    for (int t : types)
        bands.append({1000, -300, 71, quint8(t)}); // cuts: every kind can be coded
    Chain chain;
    QVERIFY2(chain.write(makeEq(quint8(index), qorCustom, bands)), qPrintable(chain.error));
    const auto held = chain.device.filterSlots();
    for (int i = 0; i < kinds.size(); ++i)
        QCOMPARE(int(held[i].kind), kinds[i]);

    // The mapping itself, including the bytes validation lets through nowhere.
    EQData eq = makeEq(quint8(index), qorCustom, bands);
    const int fallback = int(CbQaspEqEncoder::QaspFilterKind::Peaking);
    QCOMPARE(int(CbQaspEqEncoder::kindForFilterByte(eq, 6)), fallback);
    QCOMPARE(int(CbQaspEqEncoder::kindForFilterByte(eq, 0xFF)), fallback);
}

void TestCbQaspEqChain::guards_data()
{
    QTest::addColumn<bool>("withTransport");
    QTest::addColumn<QString>("transportDevice");
    QTest::addColumn<QString>("deviceId");
    QTest::addColumn<EQData>("eq");
    QTest::addColumn<QString>("error");

    const EQData good = presetSixBands();
    EQData invalid = good;
    invalid.frequencies[2] = 19;
    EQData noQ = good;
    noQ.qValues.clear();
    EQData noGains = good;
    noGains.gains.clear();
    QTest::newRow("no transport") << false << kDevice << kDevice << good << "transport null";
    QTest::newRow("empty device id") << true << kDevice << QString() << good << "device mismatch or not connected";
    QTest::newRow("other device") << true << kDevice << QStringLiteral("other") << good
                                  << "device mismatch or not connected";
    QTest::newRow("transport not connected") << true << QString() << kDevice << good
                                             << "device mismatch or not connected";
    QTest::newRow("invalid record") << true << kDevice << kDevice << invalid << "eq data invalid";
    QTest::newRow("Qor record with 11 bands")
        << true << kDevice << kDevice
        << makeEq(120, true, QList<Band>(11, Band{1000, 0, 71, 2})) << "eq data invalid";
    QTest::newRow("valid record without Q values")
        << true << kDevice << kDevice << noQ
        << "QOR EQ: gains/qValues/filterTypes must match bandCount=6 (got gain=6 q=0 type=6); incomplete TLV "
           "leaves bands as Disable → silence/wrong curve";
    QTest::newRow("valid record without gains")
        << true << kDevice << kDevice << noGains
        << "QOR EQ: gains/qValues/filterTypes must match bandCount=6 (got gain=0 q=6 type=6); incomplete TLV "
           "leaves bands as Disable → silence/wrong curve";
}

void TestCbQaspEqChain::guards()
{
    QFETCH(bool, withTransport);
    QFETCH(QString, transportDevice);
    QFETCH(QString, deviceId);
    QFETCH(EQData, eq);
    QFETCH(QString, error);

    VirtualDevices::VirtualQorDevice device;
    RecordingTransport transport(transportDevice, &device);
    QStringList log;
    QString got;
    int handed = -1;
    QVERIFY(!CbQaspEqEncoder::buildChain(withTransport ? &transport : nullptr, deviceId, eq, &got,
                                         [&log](const QString &l) { log.append(l); }, &handed));
    QCOMPARE(got, error);
    QCOMPARE(handed, 0);
    QVERIFY(transport.writes.isEmpty());
    QVERIFY(log.isEmpty());

    // Without an error text or a log the refusal is silent.
    QVERIFY(!CbQaspEqEncoder::buildChain(withTransport ? &transport : nullptr, deviceId, eq, nullptr, {}));
    QVERIFY(transport.writes.isEmpty());
}

void TestCbQaspEqChain::firstEightBandsWritten_data()
{
    QTest::addColumn<EQData>("eq");
    QTest::addColumn<QList<int>>("kinds");
    QTest::addColumn<QString>("leftOut"); // the log line naming the bands not written; empty: none

    const QList<Band> ten{{31, -300, 71, 1}, {62, 250, 100, 2}, {125, -100, 141, 2}, {250, 0, 200, 2},
                          {500, -200, 100, 2}, {1000, 150, 71, 2}, {2000, -400, 100, 2}, {4000, 200, 200, 2},
                          {8000, -600, 100, 2}, {16000, 300, 71, 2}};
    // The ten bands with another ninth gain and tenth band.
    const auto withTail = [&ten](qint16 ninthGain, Band tenth) {
        QList<Band> bands = ten;
        bands[8].gain = ninthGain;
        bands[9] = tenth;
        return bands;
    };
    const QList<int> kinds{1, 2, 2, 2, 2, 2, 2, 2};
    const QString leftOut =
        QStringLiteral("[QOR][CbQasp][EQ][Src][LeftOut] bandCount=%1 exceeds the 8 hardware filters; not written: %2");
    const QString ninth = QStringLiteral("Band8(kind=2 freq=8000Hz gain=-6.00dB)");
    const QString tenth = QStringLiteral("Band9(kind=2 freq=16000Hz gain=3.00dB)");

    QTest::newRow("Qor preset, last two bands shaping")
        << makeEq(3, true, ten, -20) << kinds << leftOut.arg(10).arg(ninth + ' ' + tenth);
    QTest::newRow("Qor cloud EQ, a low-pass past the eighth")
        << makeEq(0xFF, true, withTail(0, {16000, 0, 71, 4})) << kinds
        << leftOut.arg(10).arg(QStringLiteral("Band9(kind=4 freq=16000Hz gain=0.00dB)"));
    QTest::newRow("Qor preset, flat or bypassed past the eighth")
        << makeEq(42, true, withTail(0, {16000, 300, 71, 0})) << kinds << QString();
    QTest::newRow("Qor custom, 9 bands") << makeEq(120, true, ten.mid(0, 9)) << kinds << leftOut.arg(9).arg(ninth);
    // A standard-coded preset: codes mapped, the bands past the eighth left out the same way.
    QList<Band> standard = ten;
    standard[0].type = 4;
    for (int i = 1; i < 10; ++i)
        standard[i].type = 1;
    QTest::newRow("preset, standard coding")
        << makeEq(5, false, standard) << kinds << leftOut.arg(10).arg(ninth + ' ' + tenth);
}

void TestCbQaspEqChain::firstEightBandsWritten()
{
    QFETCH(EQData, eq);
    QFETCH(QList<int>, kinds);
    QFETCH(QString, leftOut);

    Chain chain;
    QVERIFY2(chain.write(eq), qPrintable(chain.error));
    QCOMPARE(chain.handed, CbQaspEqEncoder::kChainReportCount);
    QVERIFY2(chain.device.errors().empty(), qPrintable(joined(chain.device.errors())));
    QCOMPARE(chain.device.completedWrites(), 1);
    const auto held = chain.device.filterSlots();
    for (int slot = 0; slot < CbQaspEqEncoder::kFilterSlots; ++slot) {
        QCOMPARE(held[slot].fcHz, eq.frequencies[slot]);
        QCOMPARE(int(held[slot].gainWord), eq.gains[slot] * 256 / 100);
        QCOMPARE(int(held[slot].kind), kinds[slot]);
        QCOMPARE(held[slot].eqNumber, eq.index);
    }
    QCOMPARE(chain.device.overallGainDb(), double(CbQaspEqEncoder::gainOffsetDb(eq.totalGain)));

    const QStringList lines = chain.log.filter(QStringLiteral("[LeftOut]"));
    QCOMPARE(lines, leftOut.isEmpty() ? QStringList() : QStringList{leftOut});
    // Named right after the record's own bands, before the overall gain.
    if (!leftOut.isEmpty())
        QVERIFY(chain.log.value(chain.log.indexOf(leftOut) + 1).startsWith(QStringLiteral("[QOR][CbQasp][EQ][Src][MainGain]")));
}

void TestCbQaspEqChain::highShelfBoosts_data()
{
    QTest::addColumn<EQData>("eq");
    // Whole dB the overall gain carries for the shelves, on top of the record's own.
    QTest::addColumn<int>("carried");

    // Alone, from the smallest step to the editor's limit (10 dB) and the record's (12 dB), across the band.
    const QList<qint16> boosts{10, 50, 100, 250, 300, 600, 990, 1000, 1200};
    const QList<quint16> corners{20, 31, 100, 250, 1000, 4000, 8000, 12000, 16000, 20000};
    for (qint16 boost : boosts) {
        for (quint16 fc : corners) {
            QTest::addRow("+%.1f dB at %d Hz", boost / 100.0, int(fc))
                << makeEq(100, true, {{fc, boost, 71, 3}}) << (boost + 99) / 100;
        }
    }
    // Among other bands, under a total gain of the record's own.
    QTest::newRow("with peaking, low shelf and a cut, total gain -3 dB")
        << makeEq(110, true,
                  {{60, 400, 71, 1}, {250, -350, 141, 2}, {1000, 250, 100, 2}, {6000, 350, 71, 3},
                   {3000, -600, 200, 2}, {40, 0, 71, 5}},
                  -30)
        << 4;
    QTest::newRow("boost at the top among cuts, total gain +2 dB")
        << makeEq(111, true, {{125, -300, 100, 2}, {500, -200, 71, 2}, {14000, 820, 71, 3}}, 20) << 9;
    // Several boosted shelves add up in the overall gain.
    QTest::newRow("three boosted shelves")
        << makeEq(112, true, {{100, 150, 71, 3}, {2000, 460, 71, 3}, {9000, 1000, 71, 3}, {500, -300, 100, 2}})
        << 2 + 5 + 10;
    QTest::newRow("eight boosted shelves at the record's limit, total gain +12 dB")
        << makeEq(113, true,
                  {{20, 1200, 71, 3}, {50, 1200, 71, 3}, {200, 1200, 71, 3}, {800, 1200, 71, 3},
                   {3000, 1200, 71, 3}, {8000, 1200, 71, 3}, {15000, 1200, 71, 3}, {20000, 1200, 71, 3}},
                  120)
        << 96;
    // A preset in the standard coding: code 5 is the high shelf.
    EQData preset = presetSixBands();
    preset.gains[4] = 600;
    QTest::newRow("preset, standard coding") << preset << 6;
}

// A high-shelf boost goes out as the low-shelf cut of the same size, corner
// and slope, the boost carried by the overall gain: what the decoder plays,
// read with its own decoder, is the curve asked for.
void TestCbQaspEqChain::highShelfBoosts()
{
    QFETCH(EQData, eq);
    QFETCH(int, carried);

    Chain chain;
    QVERIFY2(chain.write(eq), qPrintable(chain.error));
    QVERIFY2(chain.device.errors().empty(), qPrintable(joined(chain.device.errors())));
    QCOMPARE(chain.device.completedWrites(), 1);
    const int overall = CbQaspEqEncoder::gainOffsetDb(eq.totalGain) + carried;
    QCOMPARE(chain.device.overallGainDb(), double(overall));

    QList<RbjReference::Biquad> designed;
    const auto held = chain.device.filterSlots();
    for (int i = 0; i < eq.bandCount; ++i) {
        const auto kind = CbQaspEqEncoder::kindForFilterByte(eq, eq.filterTypes[i]);
        const double gainDb = eq.gains[i] / 100.0;
        designed.append(RbjReference::design(RbjReference::Shape(int(kind)), 96000.0, eq.frequencies[i],
                                             eq.qValues[i] / 100.0, gainDb));
        QCOMPARE(held[i].gainOffsetDb, qint8(overall));
        // The report describes the filter written.
        if (kind == CbQaspEqEncoder::QaspFilterKind::HighShelf && gainDb > 0) {
            QCOMPARE(int(held[i].kind), 1);
            QCOMPARE(held[i].gainWord, qint16(std::lround(-gainDb * 256.0)));
        } else {
            QCOMPARE(int(held[i].kind), int(kind));
        }
    }
    const double designedGain = CbQaspEqEncoder::gainOffsetDb(eq.totalGain);
    for (double f : RbjReference::octavePoints(12)) {
        double want = designedGain;
        for (const RbjReference::Biquad &b : designed)
            want += RbjReference::magnitudeDb(b, f, 96000.0);
        const double got = chain.device.responseDb(f);
        QVERIFY2(std::abs(got - want) <= 0.05,
                 qPrintable(QStringLiteral("f=%1 Hz decoded=%2 dB designed=%3 dB").arg(f).arg(got).arg(want)));
    }
}

void TestCbQaspEqChain::overallGainCarriesTheBoosts_data()
{
    QTest::addColumn<int>("totalGain"); // 0.1 dB, as the record has it
    QTest::addColumn<int>("carried");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("overall");
    QTest::newRow("nothing carried") << 35 << 0 << true << 4;
    QTest::newRow("boosts on a cut") << -120 << 30 << true << 18;
    QTest::newRow("up to the top") << 1000 << 27 << true << 127;
    QTest::newRow("one past the top") << 1000 << 28 << false << 127;
    // The record's own gain alone keeps its clamp.
    QTest::newRow("record gain past the bottom") << -1300 << 0 << true << -128;
}

void TestCbQaspEqChain::overallGainCarriesTheBoosts()
{
    QFETCH(int, totalGain);
    QFETCH(int, carried);
    QFETCH(bool, fits);
    QFETCH(int, overall);
    int got = 0;
    QCOMPARE(CbQaspEqChainPlan::overallGain(qint16(totalGain), carried, &got), fits);
    QCOMPARE(got, overall);

    // A plan whose boosts push the overall gain out is refused as a whole.
    if (!fits) {
        const EQData eq =
            makeEq(100, true, {{1000, 1200, 71, 3}, {2000, 1200, 71, 3}, {4000, 400, 71, 3}}, qint16(totalGain));
        const CbQaspEqChainPlan plan = CbQaspEqChainPlan::of(eq);
        QCOMPARE(plan.carriedBoostDb, carried);
        QCOMPARE(plan.refusal, CbQaspEqChainPlan::Refusal::OverallGainOutOfRange);
        QCOMPARE(plan.refusedSlot, -1);
    }
}

void TestCbQaspEqChain::unwritableBandSendsNothing()
{
    Chain chain;
    QVERIFY(chain.write(presetSixBands()));
    const auto before = chain.device.filterSlots();

    // Slot 4 is a wide peaking boost high up: its b0 exceeds what Q2.30 holds,
    // and clipping it would play another curve.
    EQData eq = makeEq(120, true,
                       {{100, 300, 71, 2}, {500, 300, 71, 2}, {1000, 300, 71, 2}, {2000, 300, 71, 2},
                        {16000, 1000, 20, 2}, {12000, -300, 71, 2}});
    chain.transport.writes.clear();
    chain.log.clear();
    QVERIFY(!chain.write(eq));
    QCOMPARE(chain.error,
             QStringLiteral("biquad out of range filter=4 (kind=2 fc=16000Hz gain=10.0dB): a coefficient exceeds the "
                            "Q2.30 range"));
    const CbQaspEqChainPlan plan = CbQaspEqChainPlan::of(eq);
    QCOMPARE(plan.refusal, CbQaspEqChainPlan::Refusal::BandOutOfRange);
    QCOMPARE(plan.refusedSlot, 4);
    QCOMPARE(chain.handed, 0);
    QVERIFY(chain.transport.writes.isEmpty());
    QCOMPARE(chain.device.completedWrites(), 1);
    const auto after = chain.device.filterSlots();
    for (int i = 0; i < 8; ++i)
        QVERIFY(after[i].words == before[i].words);
    // The record is in the log up to the point of refusal; no report line for slot 4.
    QVERIFY(chain.log.filter(QStringLiteral("[Pkt][0x09 #3]")).size() == 1);
    QVERIFY(chain.log.filter(QStringLiteral("[Pkt][0x09 #4]")).isEmpty());
    QVERIFY(chain.log.filter(QStringLiteral("--- end")).isEmpty());
}

void TestCbQaspEqChain::logLines()
{
    Chain chain;
    const EQData eq = makeEq(0x65, true, {{1000, -250, 141, 2}}, -35);
    QVERIFY(chain.write(eq));
    const QStringList &log = chain.log;

    QCOMPARE(log.size(), 1 + 1 + 1 + 1 + 8 + 1 + 8 * 2 + 3 + 1);
    QCOMPARE(log[0], QStringLiteral("[QOR][CbQasp][EQ][Dump] --- begin device=%1 Fs=96000Hz ---").arg(kDevice));
    QVERIFY(log[1].startsWith(QStringLiteral("[QOR][CbQasp][EQ][Wire][Policy] 0x09 ")));
    QCOMPARE(log[2],
             QStringLiteral("[QOR][CbQasp][EQ][Src][Summary] index=0x65 bandCount=1 totalGain(raw)=-35 totalGain(dB)=-3.5"));
    const QByteArray tlv = HeadsetProtocol::serializeEQData(eq);
    QCOMPARE(log[3], QStringLiteral("[QOR][CbQasp][EQ][Src][TLV] bytes=%1 hex=%2")
                         .arg(tlv.size())
                         .arg(QString::fromLatin1(tlv.toHex(' ').toUpper())));
    QCOMPARE(log[4], QStringLiteral("[QOR][CBQASP][EQ][SRC][BAND0] FREQ=1000HZ GAIN_RAW=-250 (=-2.500 DB) Q_RAW=141 "
                                    "(=1.410) FILTER_RAW=0X02 (QASP_0_5)"));
    QCOMPARE(log[5], QStringLiteral("[QOR][CbQasp][EQ][Src][Band1] <unused_hw_slot> (Filter_Type=disable)"));
    QCOMPARE(log[12], QStringLiteral("[QOR][CbQasp][EQ][Src][MainGain] totalGain(raw)=-35 → "
                                     "Filter_Gain_Offset/0x03(dB)=-4 mode=all_8_bands_offset+0x03(no_0x07)"));

    qint32 w[5];
    QVERIFY(CbQaspEqEncoder::designBiquad(96000, CbQaspEqEncoder::QaspFilterKind::Peaking, 1000, 1.41, -2.5, w));
    auto c = [&](int i) { return QString::number(w[i] / 1073741824.0, 'g', 9); };
    QCOMPARE(log[13], QStringLiteral("[QOR][CbQasp][EQ][Wire][Band0] EQ_index=0x00 Filter_index=0 EQ_Number=0x65 "
                                     "fc_int=1000Hz q_2dp=1.41 gainDb_1dp=-2.5 kind=2 coeffBypass=0 "
                                     "filterGainOffsetDb=-4 b0=%1 b1=%2 b2=%3 a1=%4 a2=%5")
                          .arg(c(0), c(1), c(2), c(3), c(4)));
    QCOMPARE(log[14], QStringLiteral("[QOR][CbQasp][EQ][Pkt][0x09 #0] bytes=64 hex=%1")
                          .arg(QString::fromLatin1(chain.transport.writes[0].data.toHex(' ').toUpper())));
    QCOMPARE(log[15], QStringLiteral("[QOR][CbQasp][EQ][Wire][Band1] EQ_index=0x00 Filter_index=1 EQ_Number=0x65 "
                                     "fc_int=1000Hz q_2dp=0.71 gainDb_1dp=0.0 kind=0 coeffBypass=1 "
                                     "filterGainOffsetDb=-4 b0=0 b1=0 b2=0 a1=0 a2=0"));
    QCOMPARE(log[29], QStringLiteral("[QOR][CbQasp][EQ][Pkt][0x03] bytes=64 hex=%1 gainDb=-4 (same as each-band "
                                     "Filter_Gain_Offset)")
                          .arg(QString::fromLatin1(chain.transport.writes[8].data.toHex(' ').toUpper())));
    QVERIFY(log[30].startsWith(QStringLiteral("[QOR][CbQasp][EQ][Pkt][0x0A] bytes=64 hex=4B 01 0A 04 00 00 FF FF 00")));
    QVERIFY(log[31].startsWith(QStringLiteral("[QOR][CbQasp][EQ][Pkt][0x01] bytes=64 hex=4B 01 01 00 00")));
    QCOMPARE(log[32], QStringLiteral("[QOR][CbQasp][EQ][Dump] --- end (enqueued) ---"));

    // No log callback: the chain still goes out.
    QVERIFY(CbQaspEqEncoder::buildChain(&chain.transport, kDevice, eq, nullptr, {}));
    QCOMPARE(chain.device.completedWrites(), 2);
}

void TestCbQaspEqChain::nextWriteReplacesEveryFilter()
{
    Chain chain;
    QVERIFY(chain.write(makeEq(120, true,
                               {{100, 300, 71, 2}, {200, 300, 71, 2}, {400, 300, 71, 2}, {800, 300, 71, 2},
                                {1600, 300, 71, 2}, {3200, 300, 71, 2}, {6400, 300, 71, 2}, {12800, 300, 71, 2}})));
    QVERIFY(chain.write(makeEq(121, true, {{1000, -600, 71, 2}, {50, 0, 71, 5}})));
    QCOMPARE(chain.device.completedWrites(), 2);
    const auto held = chain.device.filterSlots();
    QCOMPARE(held[1].kind, quint8(5));
    for (int i = 2; i < 8; ++i)
        QCOMPARE(held[i].kind, quint8(0));
    QVERIFY(std::abs(chain.device.filterResponseDb(1000) + 6.0) < 0.01);
}

QTEST_GUILESS_MAIN(TestCbQaspEqChain)
#include "tst_CbQaspEqChain.moc"

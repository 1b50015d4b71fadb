#include "protocol/CbQaspEqEncoder.h"
#include "tests/protocol/qasp/RbjReference.h"
#include "tests/protocol/qasp/RecordingTransport.h"
#include "tests/support/virtualqor/VirtualQorDevice.h"

#include <QtTest>

#include <cmath>
#include <limits>

// Filter design, coefficient coding and the report layout of the Qor EQ path.
class TestCbQaspEqEncoder : public QObject
{
    Q_OBJECT

private slots:
    void snapFrequency_data();
    void snapFrequency();
    void snapWireValues_data();
    void snapWireValues();
    void qWord_data();
    void qWord();
    void gainWord_data();
    void gainWord();

    void designRefusesBadInput_data();
    void designRefusesBadInput();
    void nonFiniteCoefficientsLeaveOutputUntouched_data();
    void nonFiniteCoefficientsLeaveOutputUntouched();
    void disabledKindIsZeroWords_data();
    void disabledKindIsZeroWords();
    void unityDesigns_data();
    void unityDesigns();
    void shelvesIgnoreQ_data();
    void shelvesIgnoreQ();
    void strongBoostSaturatesB0();
    void saturationIsReported_data();
    void saturationIsReported();
    void shelfCutIsInverseOfBoost_data();
    void shelfCutIsInverseOfBoost();
    void highShelfShape();
    void highShelfBoostAsCut_data();
    void highShelfBoostAsCut();
    void designMatchesReference_data();
    void designMatchesReference();

    void reportFrame_data();
    void reportFrame();
    void controlAndGainReports();
    void filterReportLayout();
    void parseRefusesBadReports_data();
    void parseRefusesBadReports();
    void selfCheck_data();
    void selfCheck();
    void sendReport();
};

namespace {

using Kind = CbQaspEqEncoder::QaspFilterKind;
constexpr qint32 kOne = 1 << 30;

VirtualDevices::QorBiquad decode(const qint32 w[5])
{
    constexpr double s = 1073741824.0;
    return {w[0] / s, w[1] / s, w[2] / s, -w[3] / s, -w[4] / s};
}

double wordsDb(const qint32 w[5], double f)
{
    return decode(w).magnitudeDb(f, CbQaspEqEncoder::kSampleRate);
}

double coefficientsDb(const double c[5], double f)
{
    return VirtualDevices::QorBiquad{c[0], c[1], c[2], c[3], c[4]}.magnitudeDb(f, CbQaspEqEncoder::kSampleRate);
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

} // namespace

void TestCbQaspEqEncoder::snapFrequency_data()
{
    QTest::addColumn<double>("in");
    QTest::addColumn<int>("out");
    QTest::newRow("below range rounds up to 20") << 19.6 << 20;
    QTest::newRow("above range") << 20000.4 << 20000;
    QTest::newRow("half rounds away from zero") << 1000.5 << 1001;
    QTest::newRow("zero") << 0.0 << 20;
    QTest::newRow("negative") << -5.0 << 20;
    QTest::newRow("nan") << std::nan("") << 20;
    QTest::newRow("huge") << 1e12 << 20000;
}

void TestCbQaspEqEncoder::snapFrequency()
{
    QFETCH(double, in);
    QFETCH(int, out);
    QCOMPARE(CbQaspEqEncoder::snapFrequency(in), quint16(out));
}

void TestCbQaspEqEncoder::snapWireValues_data()
{
    QTest::addColumn<int>("fc");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("gain");
    QTest::addColumn<int>("fcOut");
    QTest::addColumn<double>("qOut");
    QTest::addColumn<double>("gainOut");
    QTest::newRow("q two decimals") << 440 << 1.234 << 0.0 << 440 << 1.23 << 0.0;
    QTest::newRow("negative gain half away from zero") << 1000 << 0.71 << -2.25 << 1000 << 0.71 << -2.3;
    QTest::newRow("positive gain half away from zero") << 1000 << 0.71 << 2.25 << 1000 << 0.71 << 2.3;
    QTest::newRow("q half away from zero") << 1000 << 1.125 << 0.0 << 1000 << 1.13 << 0.0;
    QTest::newRow("fc clamped low") << 5 << 1.0 << 0.04 << 20 << 1.0 << 0.0;
    QTest::newRow("fc clamped high") << 30000 << 1.0 << 12.0 << 20000 << 1.0 << 12.0;
}

void TestCbQaspEqEncoder::snapWireValues()
{
    QFETCH(int, fc);
    QFETCH(double, q);
    QFETCH(double, gain);
    quint16 f = quint16(fc);
    CbQaspEqEncoder::snapWireValues(f, q, gain);
    QTEST(int(f), "fcOut");
    QTEST(q, "qOut");
    QTEST(gain, "gainOut");
}

void TestCbQaspEqEncoder::qWord_data()
{
    QTest::addColumn<double>("q");
    QTest::addColumn<int>("word");
    QTest::newRow("zero takes 0.01") << 0.0 << 3;
    QTest::newRow("negative takes 0.01") << -1.0 << 3;
    QTest::newRow("0.71") << 0.71 << 182;
    QTest::newRow("one") << 1.0 << 256;
    QTest::newRow("tiny clamps to 1") << 0.001 << 1;
    QTest::newRow("300 saturates") << 300.0 << 65535;
    QTest::newRow("infinite saturates") << std::numeric_limits<double>::infinity() << 65535;
}

void TestCbQaspEqEncoder::qWord()
{
    QFETCH(double, q);
    QTEST(int(CbQaspEqEncoder::toQWord(q)), "word");
}

void TestCbQaspEqEncoder::gainWord_data()
{
    QTest::addColumn<double>("gain");
    QTest::addColumn<int>("word");
    QTest::newRow("+12 dB") << 12.0 << 3072;
    QTest::newRow("-2.3 dB") << -2.3 << -589;
    QTest::newRow("-128 dB") << -128.0 << -32768;
    QTest::newRow("+128 dB saturates") << 128.0 << 32767;
    QTest::newRow("-1000 dB saturates") << -1000.0 << -32768;
}

void TestCbQaspEqEncoder::gainWord()
{
    QFETCH(double, gain);
    QTEST(int(CbQaspEqEncoder::toGainWord(gain)), "word");
}

void TestCbQaspEqEncoder::designRefusesBadInput_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("fc");
    QTest::addColumn<bool>("nullOut");
    QTest::newRow("null output") << 2 << 1000.0 << true;
    QTest::newRow("null output, bypass") << 0 << 1000.0 << true;
    QTest::newRow("fc zero") << 2 << 0.0 << false;
    QTest::newRow("fc zero, bypass") << 0 << 0.0 << false;
    QTest::newRow("fc negative") << 4 << -100.0 << false;
    QTest::newRow("fc nan") << 5 << std::nan("") << false;
    QTest::newRow("kind 6") << 6 << 1000.0 << false;
    QTest::newRow("kind 255") << 255 << 1000.0 << false;
}

void TestCbQaspEqEncoder::designRefusesBadInput()
{
    QFETCH(int, kind);
    QFETCH(double, fc);
    QFETCH(bool, nullOut);
    qint32 out[5] = {7, 7, 7, 7, 7};
    QVERIFY(!CbQaspEqEncoder::designBiquad(96000, Kind(kind), fc, 1.0, 3.0, nullOut ? nullptr : out));
    for (qint32 w : out)
        QCOMPARE(w, 7);
}

void TestCbQaspEqEncoder::nonFiniteCoefficientsLeaveOutputUntouched_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<double>("value");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("b0 nan") << 0 << std::nan("");
    QTest::newRow("b2 +inf") << 2 << inf;
    QTest::newRow("a2 -inf") << 4 << -inf;
}

void TestCbQaspEqEncoder::nonFiniteCoefficientsLeaveOutputUntouched()
{
    QFETCH(int, position);
    QFETCH(double, value);
    double c[5] = {1.0, 0.5, 0.25, -0.5, 0.1};
    c[position] = value;
    qint32 out[5] = {7, 7, 7, 7, 7};
    QVERIFY(!CbQaspEqEncoder::packCoefficients(c[0], c[1], c[2], c[3], c[4], out));
    for (qint32 w : out)
        QCOMPARE(w, 7);

    // Designs can reach this only from absurd inputs, e.g. a gain so large that A overflows.
    QVERIFY(!CbQaspEqEncoder::designBiquad(96000, Kind::Peaking, 1000, 1.0, 1e6, out));
}

void TestCbQaspEqEncoder::disabledKindIsZeroWords_data()
{
    QTest::addColumn<double>("fc");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("gain");
    QTest::newRow("defaults") << 1000.0 << 0.71 << 0.0;
    QTest::newRow("boost") << 20.0 << 10.0 << 12.0;
    QTest::newRow("absurd q and gain") << 20000.0 << -3.0 << 1e6;
}

void TestCbQaspEqEncoder::disabledKindIsZeroWords()
{
    QFETCH(double, fc);
    QFETCH(double, q);
    QFETCH(double, gain);
    qint32 out[5] = {7, 7, 7, 7, 7};
    QVERIFY(CbQaspEqEncoder::designBiquad(96000, Kind::Disabled, fc, q, gain, out));
    for (qint32 w : out)
        QCOMPARE(w, 0);
}

void TestCbQaspEqEncoder::unityDesigns_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("fc");
    QTest::addColumn<double>("q");
    QTest::newRow("peaking 1 kHz") << 2 << 1000.0 << 0.71;
    QTest::newRow("peaking 20 Hz, Q 10") << 2 << 20.0 << 10.0;
    QTest::newRow("peaking 20 kHz, Q 0.1") << 2 << 20000.0 << 0.1;
    QTest::newRow("low shelf 100 Hz") << 1 << 100.0 << 1.0;
    QTest::newRow("high shelf 8 kHz") << 3 << 8000.0 << 1.0;
}

// A 0 dB band is b = a: b0 is exactly 1.0 and the feedback words mirror b1, b2.
void TestCbQaspEqEncoder::unityDesigns()
{
    QFETCH(int, kind);
    QFETCH(double, fc);
    QFETCH(double, q);
    qint32 w[5];
    QVERIFY(CbQaspEqEncoder::designBiquad(96000, Kind(kind), fc, q, 0.0, w));
    QCOMPARE(w[0], kOne);
    QVERIFY(std::abs(qint64(w[3]) + w[1]) <= 1);
    QVERIFY(std::abs(qint64(w[4]) + w[2]) <= 1);
    if (kind == 2) { // peaking: exact, both sides come from the same term
        QCOMPARE(w[3], -w[1]);
        QCOMPARE(w[4], -w[2]);
    }
}

void TestCbQaspEqEncoder::shelvesIgnoreQ_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("low shelf") << 1;
    QTest::newRow("high shelf") << 3;
}

void TestCbQaspEqEncoder::shelvesIgnoreQ()
{
    QFETCH(int, kind);
    qint32 a[5], b[5];
    QVERIFY(CbQaspEqEncoder::designBiquad(96000, Kind(kind), 500, 0.1, 6.5, a));
    QVERIFY(CbQaspEqEncoder::designBiquad(96000, Kind(kind), 500, 10.0, 6.5, b));
    QVERIFY(std::equal(a, a + 5, b));
}

void TestCbQaspEqEncoder::strongBoostSaturatesB0()
{
    qint32 w[5];
    bool saturated = false;
    // b0 is about 2.80: beyond Q2.30.
    QVERIFY(CbQaspEqEncoder::designBiquad(96000, Kind::Peaking, 10000, 0.1, 12.0, w, &saturated));
    QCOMPARE(w[0], std::numeric_limits<qint32>::max());
    QVERIFY(saturated);
    // b0 is about 1.005: fits.
    QVERIFY(CbQaspEqEncoder::designBiquad(96000, Kind::Peaking, 1000, 10.0, 12.0, w, &saturated));
    const double b0 = w[0] / 1073741824.0;
    QVERIFY2(b0 > 1.004 && b0 < 1.006, qPrintable(QString::number(b0)));
    QVERIFY(!saturated);
}

void TestCbQaspEqEncoder::saturationIsReported_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("fc");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("gain");
    QTest::addColumn<bool>("saturated");
    // A high-shelf boost with a low or middle corner pushes b1 past -2.
    QTest::newRow("high shelf +1 dB") << 3 << 1000.0 << 0.71 << 1.0 << true;
    QTest::newRow("high shelf +6 dB at 20 Hz") << 3 << 20.0 << 0.71 << 6.0 << true;
    QTest::newRow("high shelf +3 dB at 8 kHz") << 3 << 8000.0 << 0.71 << 3.0 << false;
    QTest::newRow("high shelf -12 dB") << 3 << 1000.0 << 0.71 << -12.0 << false;
    QTest::newRow("low shelf +12 dB at 20 Hz") << 1 << 20.0 << 0.71 << 12.0 << false;
    QTest::newRow("low shelf +12 dB at 20 kHz") << 1 << 20000.0 << 0.71 << 12.0 << false;
    QTest::newRow("peaking +12 dB wide at 5 kHz") << 2 << 5000.0 << 0.1 << 12.0 << true;
    QTest::newRow("peaking +12 dB at 5 kHz, Q 0.5") << 2 << 5000.0 << 0.5 << 12.0 << false;
    QTest::newRow("low-pass at 20 Hz, Q 10") << 4 << 20.0 << 10.0 << 0.0 << false;
    QTest::newRow("high-pass at 20 kHz, Q 0.1") << 5 << 20000.0 << 0.1 << 0.0 << false;
    QTest::newRow("bypass") << 0 << 1000.0 << 0.71 << 12.0 << false;
}

void TestCbQaspEqEncoder::saturationIsReported()
{
    QFETCH(int, kind);
    QFETCH(double, fc);
    QFETCH(double, q);
    QFETCH(double, gain);
    QFETCH(bool, saturated);
    qint32 w[5];
    bool got = !saturated;
    QVERIFY(CbQaspEqEncoder::designBiquad(96000, Kind(kind), fc, q, gain, w, &got));
    QCOMPARE(got, saturated);
    const bool hitsLimit = std::any_of(w, w + 5, [](qint32 v) {
        return v == std::numeric_limits<qint32>::max() || v == std::numeric_limits<qint32>::min();
    });
    QCOMPARE(hitsLimit, saturated);
}

void TestCbQaspEqEncoder::shelfCutIsInverseOfBoost_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("fc");
    QTest::newRow("low shelf 100 Hz") << 1 << 100.0;
    QTest::newRow("low shelf 2 kHz") << 1 << 2000.0;
    QTest::newRow("high shelf 1 kHz") << 3 << 1000.0;
    QTest::newRow("high shelf 12 kHz") << 3 << 12000.0;
}

// The design itself, before coding: high-shelf boosts do not fit the words.
void TestCbQaspEqEncoder::shelfCutIsInverseOfBoost()
{
    QFETCH(int, kind);
    QFETCH(double, fc);
    double boost[5], cut[5];
    QVERIFY(CbQaspEqEncoder::designCoefficients(Kind(kind), fc, 0.71, 6.0, boost));
    QVERIFY(CbQaspEqEncoder::designCoefficients(Kind(kind), fc, 0.71, -6.0, cut));
    for (double f : RbjReference::thirdOctavePoints()) {
        const double sum = coefficientsDb(boost, f) + coefficientsDb(cut, f);
        QVERIFY2(std::abs(sum) < 1e-9, qPrintable(QStringLiteral("f=%1 sum=%2").arg(f).arg(sum)));
    }
}

void TestCbQaspEqEncoder::highShelfShape()
{
    double c[5];
    QVERIFY(CbQaspEqEncoder::designCoefficients(Kind::HighShelf, 1000, 0.71, 6.0, c));
    QVERIFY(std::abs(coefficientsDb(c, 20) - 0.0) < 0.01);
    QVERIFY(std::abs(coefficientsDb(c, 1000) - 3.0) < 1e-9);
    QVERIFY(std::abs(coefficientsDb(c, 20000) - 6.0) < 0.01);
}

void TestCbQaspEqEncoder::highShelfBoostAsCut_data()
{
    QTest::addColumn<double>("fc");
    QTest::addColumn<double>("boost");
    for (double fc : {20.0, 100.0, 1000.0, 8000.0, 20000.0}) {
        for (double boost : {0.1, 0.5, 3.0, 10.0, 12.0})
            QTest::addRow("+%.1f dB at %.0f Hz", boost, fc) << fc << boost;
    }
}

// A flat +g dB times the low-shelf cut of -g dB with the high shelf's slope is
// the high-shelf boost of +g dB; the cut fits the words where the boost does not.
void TestCbQaspEqEncoder::highShelfBoostAsCut()
{
    QFETCH(double, fc);
    QFETCH(double, boost);
    double shelf[5], cut[5];
    QVERIFY(CbQaspEqEncoder::designCoefficients(Kind::HighShelf, fc, 0.71, boost, shelf));
    QVERIFY(CbQaspEqEncoder::designHighShelfBoostAsCut(fc, boost, cut));
    for (double f : RbjReference::thirdOctavePoints()) {
        const double difference = boost + coefficientsDb(cut, f) - coefficientsDb(shelf, f);
        QVERIFY2(std::abs(difference) < 1e-8, qPrintable(QStringLiteral("f=%1 difference=%2").arg(f).arg(difference)));
    }
    // With the remainder of the boost rounded up to whole dB taken off its b coefficients, it still fits.
    const double trim = std::pow(10.0, -(std::ceil(boost) - boost) / 20.0);
    qint32 w[5];
    bool saturated = true;
    QVERIFY(CbQaspEqEncoder::packCoefficients(cut[0] * trim, cut[1] * trim, cut[2] * trim, cut[3], cut[4], w,
                                              &saturated));
    QVERIFY(!saturated);
}

void TestCbQaspEqEncoder::designMatchesReference_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("fc");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("gain");
    QTest::newRow("peaking boost") << 2 << 1000.0 << 1.41 << 6.0;
    QTest::newRow("peaking cut, narrow, low") << 2 << 40.0 << 10.0 << -12.0;
    QTest::newRow("peaking wide, high") << 2 << 16000.0 << 0.5 << 4.5;
    QTest::newRow("low shelf") << 1 << 120.0 << 0.71 << 9.0;
    QTest::newRow("low shelf cut at 20 Hz") << 1 << 20.0 << 0.71 << -12.0;
    QTest::newRow("high shelf") << 3 << 6000.0 << 0.71 << -7.5;
    QTest::newRow("low-pass") << 4 << 8000.0 << 0.71 << 0.0;
    QTest::newRow("low-pass resonant") << 4 << 2000.0 << 4.0 << 0.0;
    QTest::newRow("high-pass") << 5 << 80.0 << 0.71 << 0.0;
    QTest::newRow("high-pass at 20 kHz") << 5 << 20000.0 << 0.3 << 0.0;
}

void TestCbQaspEqEncoder::designMatchesReference()
{
    QFETCH(int, kind);
    QFETCH(double, fc);
    QFETCH(double, q);
    QFETCH(double, gain);
    qint32 w[5];
    QVERIFY(CbQaspEqEncoder::designBiquad(96000, Kind(kind), fc, q, gain, w));
    const auto ref = RbjReference::design(RbjReference::Shape(kind), 96000, fc, q, gain);
    for (double f : RbjReference::thirdOctavePoints()) {
        const double got = wordsDb(w, f);
        const double want = RbjReference::magnitudeDb(ref, f, 96000);
        // Q2.30 words move the response by far less than this; low-pass and
        // high-pass stop bands are compared where they are still above -80 dB.
        if (want < -80)
            continue;
        QVERIFY2(std::abs(got - want) < 0.005, qPrintable(QStringLiteral("f=%1 got=%2 want=%3").arg(f).arg(got).arg(want)));
    }
}

void TestCbQaspEqEncoder::reportFrame_data()
{
    QTest::addColumn<int>("payloadSize");
    QTest::newRow("empty") << 0;
    QTest::newRow("filter payload") << 33;
    QTest::newRow("largest") << 60;
    QTest::newRow("too large") << 61;
}

void TestCbQaspEqEncoder::reportFrame()
{
    QFETCH(int, payloadSize);
    QByteArray payload(payloadSize, '\x5A');
    const QByteArray r = CbQaspEqEncoder::buildReport(0x01, 0x09, payload);
    if (payloadSize > 60) {
        QVERIFY(r.isEmpty());
        QString error;
        RecordingTransport transport(QStringLiteral("dev"));
        QVERIFY(!CbQaspEqEncoder::sendReport(&transport, r, &error, "0x09"));
        QCOMPARE(error, QStringLiteral("internal: bad report size=0 (0x09)"));
        QVERIFY(transport.writes.isEmpty());
        return;
    }
    QCOMPARE(r.size(), 64);
    QCOMPARE(r.left(4), QByteArray::fromHex("4b0109") + char(payloadSize));
    QCOMPARE(r.mid(4, payloadSize), payload);
    QCOMPARE(r.mid(4 + payloadSize), QByteArray(60 - payloadSize, '\0'));
}

void TestCbQaspEqEncoder::controlAndGainReports()
{
    QCOMPARE(CbQaspEqEncoder::buildPacket0A(0x00, 0xFF, 0xFF).left(8), hex("4b010a040000ffff"));
    QCOMPARE(CbQaspEqEncoder::buildPacket01(), hex("4b010100") + QByteArray(60, '\0'));
    QCOMPARE(CbQaspEqEncoder::buildGainPacket03(12).left(6), hex("4b010302000c"));
    QCOMPARE(CbQaspEqEncoder::buildGainPacket03(-4).left(6), hex("4b01030200fc"));
    // The gain report stops at -32767, unlike the filter gain word.
    QCOMPARE(CbQaspEqEncoder::buildGainPacket03(-128).left(6), hex("4b0103020180"));
    QCOMPARE(CbQaspEqEncoder::buildGainPacket03(127).left(6), hex("4b010302007f"));
}

void TestCbQaspEqEncoder::filterReportLayout()
{
    CbQaspEqEncoder::FilterPacket09 p;
    p.filterIndex = 5;
    p.coeff[0] = 0x01020304;
    p.coeff[1] = -2;
    p.coeff[2] = 0x7FFFFFFF;
    p.coeff[3] = std::numeric_limits<qint32>::min();
    p.coeff[4] = 0x40000000;
    p.fcHz = 1000;
    p.q = 0.71;
    p.gainDb = -2.3;
    p.kind = 3;
    p.gainOffsetDb = -4;
    p.eqNumber = 0x78;
    const QByteArray r = CbQaspEqEncoder::buildFilterPacket09(p);
    QCOMPARE(r.size(), 64);
    QCOMPARE(r.left(37).toHex(' '),
             QByteArray("4b 01 09 21 00 05 00 00 04 03 02 01 fe ff ff ff ff ff ff 7f 00 00 00 80 00 00 00 40 "
                        "e8 03 b6 00 b3 fd 03 fc 78"));
    QCOMPARE(r.mid(37), QByteArray(27, '\0'));

    CbQaspEqEncoder::FilterPacket09 back;
    QVERIFY(CbQaspEqEncoder::parseFilterPacket09(r, back));
    QVERIFY(back.valid);
    QCOMPARE(back.filterIndex, quint8(5));
    QVERIFY(std::equal(std::begin(back.coeff), std::end(back.coeff), std::begin(p.coeff)));
    QCOMPARE(back.fcHz, quint16(1000));
    QCOMPARE(back.q, 182 / 256.0);
    QCOMPARE(back.gainDb, -589 / 256.0);
    QCOMPARE(back.kind, quint8(3));
    QCOMPARE(back.gainOffsetDb, qint8(-4));
    QCOMPARE(back.eqNumber, quint8(0x78));

    // A value that went through single precision still gives the word of its rounded form.
    p.q = double(float(1.23));
    p.gainDb = double(float(-2.3));
    const QByteArray viaFloat = CbQaspEqEncoder::buildFilterPacket09(p);
    QCOMPARE(viaFloat.mid(30, 4), hex("3b01b3fd")); // 315 = round(1.23 x 256), -589
}

void TestCbQaspEqEncoder::parseRefusesBadReports_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<bool>("parses");
    QTest::addColumn<int>("kind");
    CbQaspEqEncoder::FilterPacket09 p;
    p.kind = 2;
    p.fcHz = 1000;
    const QByteArray good = CbQaspEqEncoder::buildFilterPacket09(p);
    auto patched = [&](int at, char value) {
        QByteArray r = good;
        r[at] = value;
        return r;
    };
    QTest::newRow("well formed") << good << true << 2;
    QTest::newRow("three bytes") << good.left(3) << false << 0;
    QTest::newRow("tag") << patched(0, 0x4C) << false << 0;
    QTest::newRow("packet id") << patched(2, 0x03) << false << 0;
    QTest::newRow("length 1") << patched(3, 1) << false << 0;
    QTest::newRow("length 32") << patched(3, 32) << false << 0;
    QTest::newRow("length 0 reads as 33") << patched(3, 0) << true << 2;
    QTest::newRow("length 60") << patched(3, 60) << true << 2;
    QTest::newRow("shorter than its length") << good.left(36) << false << 0;
    QTest::newRow("exactly its length") << good.left(37) << true << 2;
    QTest::newRow("kind 6 reads as bypass") << patched(34, 6) << true << 0;
    QTest::newRow("byte 1 is not checked") << patched(1, 0x02) << true << 2;
}

void TestCbQaspEqEncoder::parseRefusesBadReports()
{
    QFETCH(QByteArray, report);
    QFETCH(bool, parses);
    CbQaspEqEncoder::FilterPacket09 out;
    out.valid = true;
    QCOMPARE(CbQaspEqEncoder::parseFilterPacket09(report, out), parses);
    QCOMPARE(out.valid, parses);
    if (parses)
        QTEST(int(out.kind), "kind");
}

void TestCbQaspEqEncoder::selfCheck_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("delta");
    QTest::addColumn<QString>("error");
    QTest::newRow("match") << QString() << 0.0 << QString();
    QTest::newRow("q within 0.02") << "q" << 0.015 << QString();
    QTest::newRow("q off") << "q" << 0.03 << "0x09 round-trip mismatch filter=3 field=q";
    QTest::newRow("gain within 0.06") << "gainDb" << 0.05 << QString();
    QTest::newRow("gain off") << "gainDb" << 0.07 << "0x09 round-trip mismatch filter=3 field=gainDb";
    QTest::newRow("fc exact") << "fcHz" << 1.0 << "0x09 round-trip mismatch filter=3 field=fcHz";
    QTest::newRow("kind") << "kind" << 1.0 << "0x09 round-trip mismatch filter=3 field=kind";
    QTest::newRow("gain offset") << "gainOffsetDb" << 1.0 << "0x09 round-trip mismatch filter=3 field=gainOffsetDb";
    QTest::newRow("eq number") << "eqNumber" << 1.0 << "0x09 round-trip mismatch filter=3 field=eqNumber";
    QTest::newRow("one coefficient word") << "coeff" << 1.0 << "0x09 round-trip mismatch filter=3 field=coeff";
    QTest::newRow("eq index in the report") << "eqIndex" << 1.0 << "0x09 round-trip mismatch filter=3 field=eqIndex";
    QTest::newRow("filter index in the report")
        << "filterIndex" << 1.0 << "0x09 round-trip mismatch filter=3 field=filterIndex";
    QTest::newRow("unparsable") << "tag" << 1.0 << "0x09 self-parse failed (filter=3)";
}

void TestCbQaspEqEncoder::selfCheck()
{
    QFETCH(QString, field);
    QFETCH(double, delta);
    QFETCH(QString, error);
    CbQaspEqEncoder::FilterPacket09 expected;
    expected.filterIndex = 3;
    expected.fcHz = 250;
    expected.q = 2.5;
    expected.gainDb = -3.5;
    expected.kind = 2;
    expected.gainOffsetDb = 2;
    expected.eqNumber = 0x65;
    QVERIFY(CbQaspEqEncoder::designBiquad(96000, Kind::Peaking, 250, 2.5, -3.5, expected.coeff));
    QByteArray report = CbQaspEqEncoder::buildFilterPacket09(expected);

    // Differences in the expected values stand for a report that lost them.
    if (field == "q")
        expected.q += delta;
    else if (field == "gainDb")
        expected.gainDb -= delta;
    else if (field == "fcHz")
        expected.fcHz += 1;
    else if (field == "kind")
        expected.kind = 1;
    else if (field == "gainOffsetDb")
        expected.gainOffsetDb = 3;
    else if (field == "eqNumber")
        expected.eqNumber = 0x66;
    else if (field == "coeff")
        expected.coeff[4] += 1;
    else if (field == "eqIndex")
        report[4] = 1;
    else if (field == "filterIndex")
        report[5] = 4;
    else if (field == "tag")
        report[0] = 0;

    QString got = QStringLiteral("untouched");
    QCOMPARE(CbQaspEqEncoder::verifyFilterPacket(report, expected, &got), error.isEmpty());
    QCOMPARE(got, error.isEmpty() ? QStringLiteral("untouched") : error);
    // A null error pointer is allowed.
    QCOMPARE(CbQaspEqEncoder::verifyFilterPacket(report, expected, nullptr), error.isEmpty());
}

void TestCbQaspEqEncoder::sendReport()
{
    RecordingTransport transport(QStringLiteral("dev"));
    const QByteArray report = CbQaspEqEncoder::buildPacket01();
    QString error;
    QVERIFY(CbQaspEqEncoder::sendReport(&transport, report, &error, "0x01"));
    QVERIFY(error.isEmpty());
    QCOMPARE(transport.writes.size(), 1);
    QCOMPARE(transport.writes[0].dataId, QStringLiteral("cb-qasp-eq"));
    QCOMPARE(transport.writes[0].data, report);
    QVERIFY(!transport.writes[0].prependReportId);

    QVERIFY(!CbQaspEqEncoder::sendReport(&transport, report + '\0', &error, "0x03"));
    QCOMPARE(error, QStringLiteral("internal: bad report size=65 (0x03)"));
    QVERIFY(!CbQaspEqEncoder::sendReport(nullptr, report, &error, "0x0A"));
    QCOMPARE(error, QStringLiteral("transport null"));
    QVERIFY(!CbQaspEqEncoder::sendReport(&transport, QByteArray(), nullptr, "0x09"));
    QCOMPARE(transport.writes.size(), 1);
}

QTEST_GUILESS_MAIN(TestCbQaspEqEncoder)
#include "tst_CbQaspEqEncoder.moc"
